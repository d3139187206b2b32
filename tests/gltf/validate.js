// Runs the Khronos glTF validator on every file named after the validator's
// folder and prints each file's counts and messages. Exits 1 when any file
// has an error, or a warning with --strict.
//   node validate.js [--strict] VALIDATOR_DIR FILE...
'use strict';
const fs = require('fs');
const path = require('path');

const MAX_SHOWN = 20;  // messages listed per file
const args = process.argv.slice(2);
const strict = args[0] === '--strict';
if (strict) args.shift();
if (args.length < 2) {
  console.error('usage: node validate.js [--strict] VALIDATOR_DIR FILE...');
  process.exit(2);
}
const validator = require(path.resolve(args[0], 'node_modules', 'gltf-validator'));

async function main() {
  let failed = false;
  for (const file of args.slice(1)) {
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
      uri: path.basename(file),
      maxIssues: 0,
      externalResourceFunction: (uri) => Promise.reject(new Error('no external resources: ' + uri)),
    });
    const issues = report.issues;
    console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ` +
                `${issues.numInfos} infos, ${issues.numHints} hints`);
    const shown = issues.messages.filter((message) => message.severity <= 1);
    for (const message of shown.slice(0, MAX_SHOWN)) {
      const kind = message.severity === 0 ? 'error' : 'warning';
      console.log(`  ${kind} ${message.code} at ${message.pointer || message.offset}: ${message.message}`);
    }
    if (shown.length > MAX_SHOWN) console.log(`  ... and ${shown.length - MAX_SHOWN} more`);
    if (issues.numErrors > 0 || (strict && issues.numWarnings > 0)) failed = true;
  }
  process.exit(failed ? 1 : 0);
}

main().catch((error) => {
  console.error('validate.js: ' + error);
  process.exit(2);
});
