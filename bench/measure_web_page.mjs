// Measures the web page (build-web/, made by scripts/web.sh) in headless Chromium: the size of the
// page's files before compression, the time from the start of loading to the title's first frame
// (median of 10 loads from a local server, the browser's caches emptied before each), and the
// script time of each frame step while a Shell is in flight (the game's WebAssembly and the page's
// script between one frame callback and the next).
//
// Usage: node bench/measure_web_page.mjs   (nothing is built; puppeteer-core from build-web/node_modules)
import fs from 'node:fs';
import path from 'node:path';

import { launchBrowser, openPage, PAGE_DIR, PAGE_FILES, playScript, servePage, SOURCE_DIR }
  from '../tests/web/harness.mjs';

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const server = await servePage();
const browser = await launchBrowser();

const bytes = PAGE_FILES.reduce((sum, name) => sum + fs.statSync(path.join(PAGE_DIR, name)).size, 0);
console.log(`page files: ${bytes} bytes (${(bytes / 1048576).toFixed(2)} MiB) in ${PAGE_FILES.join(', ')}`);

// Loads with the player's own clock and seed: ready when the title's first frame is drawn.
const ready = [];
for (let i = 0; i < 10; ++i) {
  const page = await browser.newPage();
  const cdp = await page.createCDPSession();
  await cdp.send('Network.clearBrowserCache');
  await page.bringToFront();
  await page.goto(server.url);
  await page.waitForFunction(() => typeof Module !== 'undefined' && Module.lobshotFirstFrameAt !== undefined);
  ready.push(await page.evaluate(() => Module.lobshotFirstFrameAt));
  await page.close();
}
console.log(`ready to play: median ${median(ready).toFixed(0)} ms, slowest ${Math.max(...ready).toFixed(0)} ms ` +
            `after the start of loading (10 loads)`);

// A Shell's flight frame by frame, with the page's steps.
const script = fs.readFileSync(path.join(SOURCE_DIR, 'tests/scenarios/weapon_shell.script'), 'utf8');
const [setUp] = script.split('press Space');
const page = await openPage(browser, server.url, '#seed=1&steps');
await playScript(page, setUp + 'press Space\nuntil ShotInProgress 5\n');
await page.evaluate(() => { Module.lobshotScriptMs.length = 0; });
let steps = 0;
while (steps < 2000 && await page.evaluate(() => Module.lobshotMode()) === 'ShotInProgress') {
  await page.evaluate(() => Module.lobshotStep(1));
  ++steps;
}
const shot = await page.evaluate(() => Module.lobshotScriptMs);
const sorted = [...shot].sort((a, b) => a - b);
const slowest = shot.map((ms, step) => [ms, step]).sort((a, b) => b[0] - a[0]).slice(0, 5);
console.log(`a Shell in flight: ${steps} frame steps, script time per frame median ${median(shot).toFixed(2)} ms, ` +
            `99th percentile ${sorted[Math.floor(0.99 * (sorted.length - 1))].toFixed(2)} ms; slowest ` +
            slowest.map(([ms, step]) => `${ms.toFixed(2)} ms (step ${step + 1})`).join(', '));

await browser.close();
server.close();
