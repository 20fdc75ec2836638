// A static file server for the browser page, on the loopback interface only.
// Usage: node tools/serve-web.mjs FOLDER [PORT]   (PORT 0 picks a free one)
// Also used by the browser tests and the bench, which import serveFolder.
import { createReadStream } from 'node:fs';
import { stat } from 'node:fs/promises';
import { createServer } from 'node:http';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  // Browsers compile WebAssembly while it downloads only when it comes with its own type.
  '.wasm': 'application/wasm',
  '.png': 'image/png',
};

async function fileFor(root, urlPath) {
  const relative = normalize(decodeURIComponent(urlPath)).replace(/^([/\\])+/, '');
  const path = join(root, relative);
  if (path !== root && !path.startsWith(root + sep)) return null;
  try {
    const info = await stat(path);
    if (info.isDirectory()) return fileFor(root, join(relative, 'index.html'));
    return info.isFile() ? { path, size: info.size } : null;
  } catch {
    return null;
  }
}

// Serves `folder` at `/`. Resolves to the server once it listens on 127.0.0.1:`port`.
export function serveFolder(folder, port = 0) {
  const root = resolve(folder);
  const server = createServer(async (request, response) => {
    const url = new URL(request.url, 'http://localhost');
    const file = request.method === 'GET' || request.method === 'HEAD'
      ? await fileFor(root, url.pathname) : null;
    if (!file) {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('Not found\n');
      return;
    }
    response.writeHead(200, {
      'Content-Type': TYPES[extname(file.path)] || 'application/octet-stream',
      'Content-Length': file.size,
      'Cache-Control': 'no-cache',
    });
    if (request.method === 'HEAD') {
      response.end();
    } else {
      createReadStream(file.path).pipe(response);
    }
  });
  return new Promise((resolveListening, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolveListening(server));
  });
}

export function addressOf(server) {
  return `http://127.0.0.1:${server.address().port}/`;
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [folder, port = '8000'] = process.argv.slice(2);
  if (!folder) {
    console.error('usage: node tools/serve-web.mjs FOLDER [PORT]');
    process.exit(2);
  }
  try {
    const server = await serveFolder(folder, Number(port));
    console.log(`Serving ${folder} at ${addressOf(server)} (Ctrl-C stops)`);
  } catch (error) {
    console.error(`Cannot serve on port ${port}: ${error.message}`);
    process.exit(1);
  }
}
