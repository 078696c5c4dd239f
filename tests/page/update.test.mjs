// A new version published over the page reaches its player: from a server that sends no
// Cache-Control (nginx's default) and files a day old, which the browser keeps for hours without
// asking, the new service worker still fills its cache with the new files, and the page's notice
// (Enter on it) loads them.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { launchBrowser, PAGE_DIR, waitForGame, watchPage } from './harness.mjs';

const DAY_SECONDS = 24 * 3600;

// A plain static server over `dir`: Last-Modified from the file's time, 304 for a request that
// names that time, and no Cache-Control.
async function serveStatic(dir) {
  const server = http.createServer((request, response) => {
    const file = path.join(dir, path.basename(new URL(request.url, 'http://127.0.0.1').pathname) || 'index.html');
    if (!fs.existsSync(file)) {
      response.writeHead(404);
      return response.end();
    }
    const modified = fs.statSync(file).mtime.toUTCString();
    if (request.headers['if-modified-since'] === modified) {
      response.writeHead(304, {'Last-Modified': modified});
      return response.end();
    }
    const type = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'}[path.extname(file)];
    response.writeHead(200, {'Content-Type': type || 'application/octet-stream', 'Last-Modified': modified});
    response.end(fs.readFileSync(file));
  });
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  return {url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close()};
}

// Every file of `dir` dated `days` back.
function age(dir, days) {
  const when = Date.now() / 1000 - days * DAY_SECONDS;
  for (const name of fs.readdirSync(dir)) fs.utimesSync(path.join(dir, name), when, when);
}

test('a new version published with old file times shows after the page\'s notice', async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-site-'));
  for (const name of fs.readdirSync(PAGE_DIR).filter(name => !/\.(gz|br)$/.test(name)))
    fs.copyFileSync(path.join(PAGE_DIR, name), path.join(dir, name));
  age(dir, 2);
  const server = await serveStatic(dir);
  const browser = await launchBrowser();
  try {
    const page = await (await browser.createBrowserContext()).newPage();
    await watchPage(page);
    await page.goto(server.url + '#seed=1&steps');
    await waitForGame(page);
    await page.waitForFunction(() => navigator.serviceWorker.controller !== null, {timeout: 15000});

    // The second version: its worker's cache under another name, and a line on its page.
    const worker = fs.readFileSync(path.join(dir, 'sw.js'), 'utf8');
    const cache = /'(lobshot-[^']+)'/.exec(worker)[1] + '-second';
    fs.writeFileSync(path.join(dir, 'sw.js'), worker.replace(/'lobshot-[^']+'/, `'${cache}'`));
    const html = fs.readFileSync(path.join(dir, 'index.html'), 'utf8');
    fs.writeFileSync(path.join(dir, 'index.html'), html.replace('</body>', '<p id="second">Second version</p></body>'));
    age(dir, 1);

    await page.reload();
    await waitForGame(page);
    await page.waitForFunction(() => document.getElementById('new-version') !== null, {timeout: 20000});
    assert.equal(await page.$eval('#new-version', notice => notice.textContent), 'A new version is ready: reload');
    await page.focus('#new-version');
    await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
    await waitForGame(page);
    assert.equal(await page.$eval('#second', line => line.textContent), 'Second version');
    assert.deepEqual(await page.evaluate(() => caches.keys()), [cache]);
    assert.equal(await page.$('#new-version'), null);
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(dir, {recursive: true});
  }
});
