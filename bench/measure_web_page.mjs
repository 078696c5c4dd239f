// Measures the web page (build-web/site/, made by scripts/web.sh) in headless Chromium: the size of
// the page's files before compression and as their gzip and brotli copies, the time from the start of loading to the title's first frame
// (median of 10 loads from a local server, the browser's caches emptied and its service worker
// bypassed before each), and the
// script time of each frame step of a shot of every weapon (the game's WebAssembly and the page's
// script between one frame callback and the next).
//
// Usage: node bench/measure_web_page.mjs   (nothing is built; puppeteer-core from build-web/node_modules)
import fs from 'node:fs';
import path from 'node:path';

import { launchBrowser, openPage, PAGE_DIR, PAGE_FILES, playScript, scriptArgs, servePage, SOURCE_DIR }
  from '../tests/page/harness.mjs';

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const server = await servePage();
const browser = await launchBrowser();

const bytes = PAGE_FILES.reduce((sum, name) => sum + fs.statSync(path.join(PAGE_DIR, name)).size, 0);
console.log(`page files: ${bytes} bytes (${(bytes / 1048576).toFixed(2)} MiB) in ${PAGE_FILES.join(', ')}`);
for (const [copy, suffix] of [['gzip', '.gz'], ['brotli', '.br']]) {
  const sized = PAGE_FILES.reduce((sum, name) => sum + fs.statSync(path.join(PAGE_DIR, name + suffix)).size, 0);
  console.log(`  as their ${copy} copies: ${sized} bytes (${(sized / 1048576).toFixed(2)} MiB)`);
}

// Loads with the player's own clock and seed: ready when the title's first frame is drawn.
const ready = [];
for (let i = 0; i < 10; ++i) {
  const page = await browser.newPage();
  const cdp = await page.createCDPSession();
  await cdp.send('Network.clearBrowserCache');
  await cdp.send('Network.setBypassServiceWorker', {bypass: true});
  await page.bringToFront();
  await page.goto(server.url);
  await page.waitForFunction(() => typeof Module !== 'undefined' && Module.lobshotFirstFrameAt !== undefined);
  ready.push(await page.evaluate(() => Module.lobshotFirstFrameAt));
  await page.close();
}
console.log(`ready to play: median ${median(ready).toFixed(0)} ms, slowest ${Math.max(...ready).toFixed(0)} ms ` +
            `after the start of loading (10 loads)`);

// Each weapon's last shot in its scenario, frame by frame with the page's steps, from the frame that
// fires it until the turn moves on: the flight, the impact and whatever falls after it. Every run
// computes the very same frames, so a frame's cost is its least over three runs: what is left when
// the other processes on the machine did not happen to hold up the page's thread.
const RUNS = 3;
const percentile = (sorted, p) => sorted[Math.floor(p * (sorted.length - 1))];
async function shotFrames(script) {
  const fire = [...script.matchAll(/press Space[^\n]*\nuntil ShotInProgress/g)].pop().index;
  const page = await openPage(browser, server.url, `#seed=${scriptArgs(script).seed}&steps`);
  await playScript(page, script.slice(0, fire));
  await page.evaluate(() => { Module.lobshotScriptMs.length = 0; });
  await playScript(page, 'press Space\nuntil ShotInProgress 5\n');
  for (let steps = 0; steps < 5000 && await page.evaluate(() => Module.lobshotMode()) === 'ShotInProgress'; ++steps)
    await page.evaluate(() => Module.lobshotStep(1));
  const frames = await page.evaluate(() => Module.lobshotScriptMs);
  await page.close();
  return frames;
}
let worstOfAll = 0;
for (const weapon of ['shell', 'a_bomb', 'sod_salvo', 'lava', 'firework', 'earth_mover']) {
  const script = fs.readFileSync(path.join(SOURCE_DIR, `tests/scenarios/weapon_${weapon}.script`), 'utf8');
  const runs = [];
  for (let run = 0; run < RUNS; ++run) runs.push(await shotFrames(script));
  const shot = runs[0].map((_, frame) => Math.min(...runs.map(times => times[frame])));
  const sorted = [...shot].sort((a, b) => a - b);
  const slowest = shot.map((ms, frame) => [ms, frame]).sort((a, b) => b[0] - a[0]).slice(0, 3);
  worstOfAll = Math.max(worstOfAll, sorted[sorted.length - 1]);
  console.log(`${weapon.padEnd(11)} ${String(shot.length).padStart(4)} frames: script time per frame median ` +
              `${median(shot).toFixed(2)} ms, 99th percentile ${percentile(sorted, 0.99).toFixed(2)} ms; slowest ` +
              slowest.map(([ms, frame]) => `${ms.toFixed(2)} ms (frame ${frame + 1})`).join(', ') +
              `; slowest of each run ${runs.map(times => Math.max(...times).toFixed(2)).join(', ')} ms`);
}
console.log(`the slowest frame of any shot: ${worstOfAll.toFixed(2)} ms`);

await browser.close();
server.close();
