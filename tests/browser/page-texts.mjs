// Lists every string in page.js that reads as words for a user, which belongs in the
// language tables of texts.js, and every key that index.html or page.js use and a table
// lacks; checks that Russian is chosen only as the first preferred language.
// Usage: node page-texts.mjs WEB_FOLDER
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import vm from 'node:vm';

const require = createRequire(import.meta.url);
const acorn = require('/usr/share/nodejs/acorn');  // Debian's, which Emscripten brings
const walk = require('/usr/share/nodejs/acorn-walk');
const read = (name) => readFileSync(`${process.argv[2]}/${name}`, 'utf8');
const problems = [];

// Words: two of them with a space between, any Cyrillic, or a sentence's end.
const WORDS = /\p{L}{2,}\s+\p{L}{2,}|\p{Script=Cyrillic}|\p{L}[.…!?]$/u;
const check = (text, node) => WORDS.test(text)
  && problems.push(`page.js:${node.loc.start.line}: "${text}" is not in the tables`);
const pageScript = read('page.js');
walk.ancestor(acorn.parse(pageScript, { ecmaVersion: 'latest', locations: true }), {
  Literal(node, _, ancestors) {  // all but 'use strict'
    if (typeof node.value === 'string' && !ancestors.some((a) => a.directive)) {
      check(node.value, node);
    }
  },
  TemplateLiteral: (node) => check(node.quasis.map((quasi) => quasi.value.cooked).join(' '), node),
});

// The table texts.js picks, run on a stand-in page.
function tablePicked(...languages) {
  const document = { documentElement: { classList: { add() {} } }, querySelector: () => ({}),
    querySelectorAll: () => [] };
  const window = {};
  vm.runInNewContext(read('texts.js'), { window, document, navigator: { languages } });
  return { texts: window.vyrtelTexts, language: document.documentElement.lang };
}
const tables = [tablePicked('en-US'), tablePicked('ru-RU', 'en')];
if (tablePicked('en-GB', 'ru').language !== 'en') problems.push('Russian is picked when second');
const keys = new Set([...read('index.html').matchAll(/data-(?:text|label)="(\w+)"/g),
  ...pageScript.matchAll(/\bTEXTS\.(\w+)/g)].map(([, key]) => key));
tables.forEach(({ texts }) => Object.keys(texts).forEach((key) => keys.add(key)));
for (const { texts, language } of tables) {
  const missing = [...keys].filter((key) => texts[key] === undefined);
  if (missing.length) problems.push(`the ${language} table has no ${missing.join(', ')}`);
}

problems.forEach((problem) => console.log(problem));
console.log(problems.length ? `${problems.length} problems` : 'Every text is in both tables');
process.exit(problems.length ? 1 : 0);
