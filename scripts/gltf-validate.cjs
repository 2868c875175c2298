// Runs the Khronos glTF validator over each file named on the command line and prints its
// findings; exit code 1 when any file has an error or a warning (or cannot be read).
'use strict';
const fs = require('fs');
const validator = require(process.env.GLTF_VALIDATOR_MODULE);

async function main(files) {
  let passed = 0;
  let failed = 0;
  for (const file of files) {
    let report;
    try {
      report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
        uri: file,
        maxIssues: 0,
        // Every preview is self-contained; an external reference would be a fault.
        externalResourceFunction: (uri) => Promise.reject(new Error(`external resource ${uri}`)),
      });
    } catch (error) {
      console.log(`${file}: cannot be validated: ${error.message || error}`);
      failed++;
      continue;
    }
    const i = report.issues;
    console.log(`${file}: ${i.numErrors} errors, ${i.numWarnings} warnings, ${i.numInfos} infos, ${i.numHints} hints`);
    for (const m of i.messages) {
      if (m.severity > 1) continue; // 0 error, 1 warning, 2 info, 3 hint
      console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} at ${m.pointer || '-'}: ${m.message}`);
    }
    if (i.numErrors > 0 || i.numWarnings > 0) failed++;
    else passed++;
  }
  console.log(`${passed} passed, ${failed} failed`);
  return failed === 0 ? 0 : 1;
}

main(process.argv.slice(2)).then((code) => process.exit(code), (error) => {
  console.error(error);
  process.exit(1);
});
