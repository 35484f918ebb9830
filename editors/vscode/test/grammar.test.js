// Tokenises tests/editors/sample.nkr with the extension's TextMate grammar,
// through the same libraries VS Code uses (vscode-textmate on the
// Oniguruma engine), and checks the scopes of a few places in it.
//   node grammar.test.js [SAMPLE.nkr]
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const test = require('node:test');
const vsctm = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const grammarPath = path.join(__dirname, '..', 'syntaxes', 'nokari.tmLanguage.json');
const samplePath = process.argv[2] || path.join(__dirname, '..', '..', '..', 'tests', 'editors', 'sample.nkr');

async function loadGrammar() {
  const wasm = fs.readFileSync(path.join(path.dirname(require.resolve('vscode-oniguruma')), 'onig.wasm'));
  const onigLib = oniguruma.loadWASM(wasm.buffer).then(() => ({
    createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
    createOnigString: (s) => new oniguruma.OnigString(s),
  }));
  const registry = new vsctm.Registry({
    onigLib,
    loadGrammar: async (scopeName) =>
      scopeName === 'source.nokari' ? vsctm.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath) : null,
  });
  return registry.loadGrammar('source.nokari');
}

// Every line of the sample as its tokens, the rule stack carried across
// lines as an editor does (a block comment or string may span lines).
function tokenise(grammar, text) {
  let stack = vsctm.INITIAL;
  return text.split('\n').map((line) => {
    const result = grammar.tokenizeLine(line, stack);
    stack = result.ruleStack;
    return { line, tokens: result.tokens };
  });
}

let lines;

// The scopes at the first occurrence of `text` on line `lineNo` (1-based),
// searched from `from`.
function scopesAt(lineNo, text, from = 0) {
  const { line, tokens } = lines[lineNo - 1];
  const index = line.indexOf(text, from);
  assert.ok(index >= 0, `line ${lineNo} has no ${text}: ${line}`);
  const token = tokens.find((t) => t.startIndex <= index && index < t.endIndex);
  return token.scopes;
}

function expectScope(lineNo, text, scope, from = 0) {
  const scopes = scopesAt(lineNo, text, from);
  assert.ok(scopes.includes(scope), `line ${lineNo}, ${text}: expected ${scope}, got ${scopes.join(' ')}`);
}

// The token at `text` must cover the whole word: a longer built-in word is
// not cut short by a shorter one that starts the same way.
function expectWholeWord(lineNo, text, scope) {
  const { line, tokens } = lines[lineNo - 1];
  const index = line.indexOf(text);
  const token = tokens.find((t) => t.startIndex === index);
  assert.ok(token, `line ${lineNo}: no token starts at ${text}`);
  assert.strictEqual(token.endIndex - token.startIndex, text.length, `line ${lineNo}: ${text} is cut`);
  assert.ok(token.scopes.includes(scope), `line ${lineNo}, ${text}: expected ${scope}, got ${token.scopes.join(' ')}`);
}

test.before(async () => {
  lines = tokenise(await loadGrammar(), fs.readFileSync(samplePath, 'utf8'));
});

test('comments: //, \' and { } around text, a string mark inside one is text', () => {
  expectScope(1, '//', 'comment.line.double-slash.nokari');
  expectScope(1, 'エディタ', 'comment.line.double-slash.nokari');
  expectScope(8, '括弧', 'comment.block.nokari');
  expectScope(8, '「', 'comment.block.nokari');
  assert.ok(!scopesAt(8, 'ここは').some((s) => s.startsWith('string.')), 'a 「 inside a comment opened a string');
  expectScope(9, '古い', 'comment.line.quote.nokari');
});

test('strings: 「」 with escapes and embedded expressions, 『』 raw', () => {
  expectScope(3, 'こんにちは', 'string.quoted.double.nokari');
  expectScope(3, '\\n', 'constant.character.escape.nokari');
  expectScope(3, '名前', 'meta.embedded.expression.nokari');
  expectScope(4, '生の', 'string.quoted.other.raw.nokari');
  const raw = scopesAt(4, '\\n');
  assert.ok(!raw.includes('constant.character.escape.nokari'), 'an escape was coloured inside 『』');
  // The string ends at 」: what follows is code again.
  expectScope(3, '表示', 'support.function.builtin.nokari');
});

test('labels at the start of a line, with ＊ or *', () => {
  expectScope(2, '開始', 'entity.name.label.nokari');
  expectScope(13, '終わり', 'entity.name.label.nokari');
  // おわる on its own line is the control word, not a label.
  expectScope(14, 'おわる', 'keyword.control.nokari');
});

test('built-in words by kind, longest first', () => {
  expectScope(5, '繰り返す', 'keyword.control.nokari');
  expectScope(6, 'もし', 'keyword.control.nokari');
  expectWholeWord(6, 'ならば', 'keyword.control.nokari');
  expectScope(7, '回', 'keyword.control.nokari');
  expectWholeWord(11, '表示出力先', 'variable.language.nokari');
  expectScope(12, 'LEN', 'support.function.builtin.nokari');
  // OS is a constant, but not inside the name POSITION.
  assert.ok(!scopesAt(12, 'OS').includes('constant.language.nokari'), 'OS coloured inside POSITION');
});

test('numbers and particles', () => {
  expectScope(5, '1', 'constant.numeric.nokari');
  expectScope(6, '55', 'constant.numeric.nokari');
  expectScope(7, '3', 'constant.numeric.nokari');
  expectScope(10, '$FF', 'constant.numeric.hex.nokari');
  expectScope(5, 'から', 'keyword.other.particle.nokari');
  expectScope(5, 'まで', 'keyword.other.particle.nokari');
  expectScope(4, 'は', 'keyword.other.particle.nokari');
  expectScope(3, 'と、表示', 'keyword.other.particle.nokari');
});
