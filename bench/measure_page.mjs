// Measures what a player of the web page (build-web/site/, made by scripts/web.sh) waits for and
// pays, in headless Chromium:
//   - the published files' sizes as they are and as their gzip and brotli copies;
//   - the time to playable (the title's first frame, from the start of loading) over Chromium's
//     "Fast 4G" profile, the server sending the brotli copies, the cache emptied and the service
//     worker bypassed before each of 5 loads (median and slowest);
//   - the processor time of the tab's renderer while the title stands idle (the page in front, the
//     browser's own frame callbacks), over 10 s, beside that of a still page with no script;
//   - the game's speed with frame callbacks at 30, 60 and 144 a second: frame steps a second over 5 s
//     of two computer players' match against the game's 50.
//
// Usage: node bench/measure_page.mjs   (nothing is built; puppeteer-core from build-web/node_modules,
// see tests/page/run.sh --install)
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { createRequire } from 'node:module';

import { launchBrowser, PAGE_DIR, WEB_BUILD_DIR, waitForGame } from '../tests/page/harness.mjs';

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));
const puppeteer = createRequire(path.join(WEB_BUILD_DIR, 'package.json'))('puppeteer-core');

// The published folder served as a server that sends compressed copies would, and a still page.
const TYPES = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
               '.webmanifest': 'application/manifest+json'};
const server = http.createServer((request, response) => {
  const name = new URL(request.url, 'http://127.0.0.1').pathname.slice(1) || 'index.html';
  if (name === 'still.html') {
    response.writeHead(200, {'Content-Type': 'text/html'});
    return response.end('<!doctype html><p>A still page.</p>');
  }
  const file = path.join(PAGE_DIR, name);
  if (!/^[\w.-]+$/.test(name) || !fs.existsSync(file)) {
    response.writeHead(404);
    return response.end();
  }
  const brotli = /\bbr\b/.test(request.headers['accept-encoding'] || '') && fs.existsSync(file + '.br');
  const body = fs.readFileSync(brotli ? file + '.br' : file);
  const headers = {'Content-Type': TYPES[path.extname(name)] || 'text/plain', 'Content-Length': body.length};
  if (brotli) headers['Content-Encoding'] = 'br';
  response.writeHead(200, headers);
  response.end(body);
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/`;
const browser = await launchBrowser();

// Sizes.
const size = name => (fs.existsSync(path.join(PAGE_DIR, name)) ? fs.statSync(path.join(PAGE_DIR, name)).size : 0);
const kb = bytes => (bytes / 1000).toFixed(1).padStart(8) + ' kB';
console.log('file                       as is        gzip      brotli');
const totals = [0, 0, 0];
for (const name of fs.readdirSync(PAGE_DIR).filter(n => !/\.(gz|br)$/.test(n)).sort()) {
  const sizes = [size(name), size(name + '.gz') || size(name), size(name + '.br') || size(name)];
  sizes.forEach((bytes, i) => { totals[i] += bytes; });
  console.log(`${name.padEnd(22)} ${sizes.map(kb).join(' ')}`);
}
console.log(`${'all'.padEnd(22)} ${totals.map(kb).join(' ')}`);
const played = ['index.html', 'index.js', 'index.wasm'];
console.log(`to play (${played.join(', ')}): ${kb(played.reduce((s, n) => s + size(n), 0))} as is, ` +
            `${kb(played.reduce((s, n) => s + size(n + '.br'), 0))} as brotli`);

// Time to playable over Fast 4G.
const ready = [];
for (let i = 0; i < 5; ++i) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const cdp = await page.createCDPSession();
  await cdp.send('Network.clearBrowserCache');
  await cdp.send('Network.setBypassServiceWorker', {bypass: true});
  await page.emulateNetworkConditions(puppeteer.PredefinedNetworkConditions['Fast 4G']);
  await page.bringToFront();
  await page.goto(url);
  await waitForGame(page, 60000);
  ready.push(await page.evaluate(() => Module.lobshotFirstFrameAt));
  await context.close();
}
console.log(`time to playable over Fast 4G: median ${median(ready).toFixed(0)} ms, slowest ` +
            `${Math.max(...ready).toFixed(0)} ms (5 loads)`);

// The renderers' processor time over `seconds` while `address` is open in front, as a share of a core.
const system = await browser.target().createCDPSession();
async function rendererSeconds() {
  const {processInfo} = await system.send('SystemInfo.getProcessInfo');
  return processInfo.filter(p => p.type === 'renderer').reduce((sum, p) => sum + p.cpuTime, 0);
}
async function idleShare(address, seconds) {
  const page = await browser.newPage();
  await page.setViewport({width: 960, height: 720});
  await page.goto(address);
  if (address === url) await waitForGame(page);
  await page.bringToFront();
  await sleep(2000);
  const before = await rendererSeconds();
  await sleep(seconds * 1000);
  const share = (await rendererSeconds() - before) / seconds;
  await page.close();
  return share;
}
for (const other of await browser.pages()) await other.close();
const still = await idleShare(url + 'still.html', 10);
const title = await idleShare(url, 10);
console.log(`idle title: ${(100 * title).toFixed(1)}% of a core for the tab's renderer over 10 s ` +
            `(a still page: ${(100 * still).toFixed(1)}%)`);

// Speed at other rates of frame callbacks, of a moving picture (a match of two computer players,
// which the keys start; a still picture waits for the clock alone).
for (const rate of [30, 60, 144]) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(perSecond => {
    let waiting = [];
    const started = performance.now();
    let calls = 0;
    const beat = () => {
      ++calls;
      const run = waiting;
      waiting = [];
      for (const callback of run) callback(performance.now());
      setTimeout(beat, Math.max(0, started + (calls + 1) * 1000 / perSecond - performance.now()));
    };
    setTimeout(beat, 1000 / perSecond);
    window.requestAnimationFrame = callback => { waiting.push(callback); return waiting.length; };
  }, rate);
  await page.goto(url + '#seed=21');
  await waitForGame(page);
  await page.bringToFront();
  await page.waitForFunction(() => Module._lobshot_frame() >= 2, {polling: 20});
  for (const key of ['Enter', '1', '1', '1', '2', '2', '2', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'Enter']) {
    const frame = await page.evaluate(() => Module._lobshot_frame());
    await page.keyboard.press(key);
    await page.waitForFunction(after => Module._lobshot_frame() >= after + 3, {polling: 20}, frame);
  }
  await page.waitForFunction(() => ['Aiming', 'ShotInProgress'].includes(Module.lobshotMode()),
                             {timeout: 20000, polling: 50});
  const speed = await page.evaluate(async () => {
    const first = [performance.now(), Module._lobshot_frame()];
    await new Promise(resolve => setTimeout(resolve, 5000));
    return (Module._lobshot_frame() - first[1]) * 1000 / (performance.now() - first[0]);
  });
  console.log(`frame callbacks at ${String(rate).padStart(3)} a second: ${speed.toFixed(1)} frame steps a second, ` +
              `${(2 * speed).toFixed(1)}% of the game's speed`);
  await page.close();
}

await browser.close();
server.close();
