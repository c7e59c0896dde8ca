// Makes one classic script of three.js (which ships as ES modules: three.module.js importing
// three.core.js) so that the report can inline it: a page opened from disk cannot import
// modules from files, and a classic script defines `THREE` for the page's own script.
// Usage: node bundle-three.js NODE_MODULES_THREE_BUILD OUT.js
'use strict';
const fs = require('fs');
const path = require('path');

const [buildDir, out] = process.argv.slice(2);
if (!buildDir || !out) {
    console.error('usage: node bundle-three.js THREE_BUILD_FOLDER OUT.js');
    process.exit(2);
}

// "A, B as C" -> "A, C: B" (object pattern or literal keys in the other direction).
function names(list, asPattern) {
    return list.split(',').map(s => s.trim()).filter(Boolean).map(s => {
        const [from, to] = s.split(/\s+as\s+/);
        if (!to) return from;
        return asPattern ? `${from}: ${to}` : `${to}: ${from}`;
    }).join(', ');
}

// The module's text with its import of the core made a destructuring of `core` and its
// exports made the function's result.
function unwrap(file, importsCore) {
    let text = fs.readFileSync(path.join(buildDir, file), 'utf8');
    if (/\bimport\.meta\b/.test(text)) throw new Error(`${file}: uses import.meta`);
    text = text.replace(/^export \{[^}]*\} from '\.\/three\.core\.js';$/m, '');
    if (importsCore) {
        const before = text;
        text = text.replace(/^import \{([^}]*)\} from '\.\/three\.core\.js';$/m,
                            (_, list) => `const { ${names(list, true)} } = core;`);
        if (text === before) throw new Error(`${file}: no import of three.core.js found`);
    }
    const exported = /^export \{([^}]*)\};\s*$/m.exec(text);
    if (!exported) throw new Error(`${file}: no export list found`);
    text = text.slice(0, exported.index) + `return { ${names(exported[1], false)} };\n` +
           text.slice(exported.index + exported[0].length);
    if (/^\s*(import|export)\b/m.test(text)) throw new Error(`${file}: an import or export is left`);
    return text;
}

const version = JSON.parse(fs.readFileSync(path.join(buildDir, '..', 'package.json'), 'utf8')).version;
const bundle = `/* three.js ${version} (MIT licence, the three.js authors), as one classic script. */
var THREE = (function () {
const core = (function () {
'use strict';
${unwrap('three.core.js', false)}
})();
const main = (function (core) {
'use strict';
${unwrap('three.module.js', true)}
})(core);
return Object.freeze(Object.assign({}, core, main));
})();
`;
fs.writeFileSync(out + '.tmp', bundle);
fs.renameSync(out + '.tmp', out);
