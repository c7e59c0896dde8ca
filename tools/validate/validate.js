#!/usr/bin/env node
// Checks glTF files (.gltf or .glb) with the Khronos validator.
//   node tools/validate/validate.js FILE...
// Prints each file's errors and warnings; exits 1 when any file has an error, 2 when a file
// cannot be read or is not glTF at all, 0 otherwise.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

function readBeside(file) {
    return (uri) => new Promise((resolve, reject) => {
        fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)), (err, data) => {
            if (err) reject(err.toString());
            else resolve(new Uint8Array(data));
        });
    });
}

async function check(file) {
    let bytes;
    try {
        bytes = new Uint8Array(fs.readFileSync(file));
    } catch (err) {
        console.log(`${file}: cannot be read: ${err.message}`);
        return 2;
    }
    let report;
    try {
        report = await validator.validateBytes(bytes, {
            uri: path.basename(file),
            externalResourceFunction: readBeside(file),
            maxIssues: 0,
            writeTimestamp: false,
        });
    } catch (err) {
        console.log(`${file}: not checked: ${err}`);
        return 2;
    }
    const issues = report.issues;
    for (const m of issues.messages) {
        if (m.severity > 1) continue;  // infos and hints are not faults
        const kind = m.severity === 0 ? 'error' : 'warning';
        console.log(`${file}: ${kind} ${m.code} at ${m.pointer || '/'}: ${m.message}`);
    }
    console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings`);
    return issues.numErrors > 0 ? 1 : 0;
}

(async () => {
    const files = process.argv.slice(2);
    if (files.length === 0) {
        console.log('usage: validate.js FILE...');
        process.exit(2);
    }
    let status = 0;
    for (const file of files) status = Math.max(status, await check(file));
    process.exit(status);
})();
