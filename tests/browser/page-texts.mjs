// Checks that the page's own words come from its language tables (web/texts.js): lists
// every string in page.js that reads as words for a user, and every key of the tables
// that index.html or page.js use but a table lacks; and that Russian is chosen only when
// it is the browser's first preferred language.
// Usage: node page-texts.mjs WEB_FOLDER
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import vm from 'node:vm';

// Debian's acorn, which its Emscripten brings.
const require = createRequire(import.meta.url);
const acorn = require('/usr/share/nodejs/acorn');
const walk = require('/usr/share/nodejs/acorn-walk');

const web = process.argv[2];
const read = (name) => readFileSync(join(web, name), 'utf8');
const problems = [];

// Words: two of them with a space between, any Cyrillic, or a sentence's end.
const WORDS = /\p{L}{2,}\s+\p{L}{2,}|\p{Script=Cyrillic}|\p{L}[.…!?]$/u;
const pageScript = read('page.js');
walk.ancestor(acorn.parse(pageScript, { ecmaVersion: 'latest', locations: true }), {
  Literal(node, _, ancestors) {
    if (ancestors.some((ancestor) => ancestor.directive)) return;  // 'use strict'
    if (typeof node.value === 'string' && WORDS.test(node.value)) {
      problems.push(`page.js:${node.loc.start.line}: ${node.raw} is not in the tables`);
    }
  },
  TemplateLiteral(node) {
    const text = node.quasis.map((quasi) => quasi.value.cooked).join(' ');
    if (WORDS.test(text)) {
      problems.push(`page.js:${node.loc.start.line}: \`${text}\` is not in the tables`);
    }
  },
});

// The table texts.js picks for the browser's preferred languages, run on a stand-in page.
function tablePicked(languages) {
  const document = {
    documentElement: { classList: { add() {} } }, querySelector: () => ({}), querySelectorAll: () => [],
  };
  const window = {};
  vm.runInNewContext(read('texts.js'), { window, document, navigator: { languages } });
  return { texts: window.vyrtelTexts, language: document.documentElement.lang };
}

const tables = [tablePicked(['en-US']), tablePicked(['ru-RU', 'en'])];
for (const [languages, expected] of [[['en-GB', 'ru'], 'en'], [['ru'], 'ru'], [['de', 'ru'], 'en']]) {
  const { language } = tablePicked(languages);
  if (language !== expected) problems.push(`${languages} picks ${language}, not ${expected}`);
}
const used = [...read('index.html').matchAll(/data-(?:text|label)="(\w+)"/g),
  ...pageScript.matchAll(/\bTEXTS\.(\w+)/g)].map(([, key]) => key);
const keys = new Set([...used, ...tables.flatMap(({ texts }) => Object.keys(texts))]);
for (const { texts, language } of tables) {
  for (const key of keys) if (texts[key] === undefined) problems.push(`the ${language} table has no ${key}`);
}

for (const problem of problems) console.log(problem);
console.log(problems.length ? `${problems.length} problems` : 'Every text of the page is in both tables');
process.exit(problems.length ? 1 : 0);
