// How long scene pages take to open in headless chromium (WebGL on its software renderer):
// from navigation to the page saying it is ready (tables built, scene loaded, first frame
// drawn). A figure for the inspector's guide, not a test.
//   node bench/page_open_time.cjs PAGE.html...   (CHROMIUM names the browser; RUNS, default 3)
'use strict';
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const puppeteer = require('puppeteer-core');

async function main(pages) {
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader', '--ignore-gpu-blocklist'],
    defaultViewport: { width: 1400, height: 900 },
    protocolTimeout: 600000,
  });
  const runs = Number(process.env.RUNS || 3);
  for (const file of pages) {
    const times = [];
    for (let run = 0; run < runs; ++run) {
      const page = await browser.newPage();
      const began = Date.now();
      await page.goto(pathToFileURL(path.resolve(file)).href, { timeout: 600000 });
      await page.waitForFunction(() => document.body.dataset.state !== 'loading', { timeout: 600000, polling: 50 });
      times.push((Date.now() - began) / 1000);
      const state = await page.evaluate(() => document.body.dataset.state);
      if (state !== 'ready') console.log(`${file}: ${state}`);
      await page.close();
    }
    console.log(`${file}: opened in ${Math.min(...times).toFixed(2)} s (fastest of ${runs}: ${times.map((t) => t.toFixed(2)).join(', ')})`);
  }
  await browser.close();
}
main(process.argv.slice(2)).catch((error) => {
  console.error(error);
  process.exit(1);
});
