// The page people keep: the folder to publish with its compressed copies, the manifest and icons
// Chromium accepts for installing, the service worker that lets a second visit start offline, the
// loading's failures and their retry, "Click to play" in a frame, and a new version reaching its
// player.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import zlib from 'node:zlib';

import { decodePng, launchBrowser, mode, PAGE_DIR, playScript, servePage, SOURCE_DIR, waitForGame, watchPage }
  from './harness.mjs';

let browser;

before(async () => { browser = await launchBrowser(); });
after(async () => { await browser.close(); });

// Runs `body` with a server of its own (with the files of `extra`, and `options`) and a page of its own browser
// context, so that no service worker or cache of another test is there. Chromium installs nothing
// from such a context: the default one serves when that matters (own false), each test's server
// having an origin (port) of its own.
async function inFreshPage(own, extra, body, options) {
  const server = await servePage(extra, options);
  const context = own ? await browser.createBrowserContext() : browser.defaultBrowserContext();
  const page = await context.newPage();
  await watchPage(page);
  try {
    await body(page, server);
  } finally {
    await (own ? context.close() : page.close());
    server.close();
  }
}

const visible = (page, selector) => page.$eval(selector, element => !element.hidden && element.offsetParent !== null);

test('the folder to publish: the page\'s files only, each compressible one with gzip and brotli copies', () => {
  const served = ['index.html', 'index.js', 'index.wasm', 'manifest.webmanifest', 'sw.js', 'mqtt.min.js'];
  const icons = ['icon-32.png', 'icon-192.png', 'icon-512.png', 'icon-maskable-512.png'];
  const expected = [...served, ...served.map(name => name + '.gz'), ...served.map(name => name + '.br'), ...icons];
  assert.deepEqual(fs.readdirSync(PAGE_DIR).sort(), expected.sort());
  for (const name of served) {
    const original = fs.readFileSync(path.join(PAGE_DIR, name));
    assert.ok(zlib.gunzipSync(fs.readFileSync(path.join(PAGE_DIR, name + '.gz'))).equals(original), name + '.gz');
    assert.ok(zlib.brotliDecompressSync(fs.readFileSync(path.join(PAGE_DIR, name + '.br'))).equals(original),
              name + '.br');
  }
});

test('the icons: the game\'s pixel art, whole pixels at every size, and the maskable one inside its safe zone', async () => {
  const page = await browser.newPage();
  const read = name => decodePng(page, fs.readFileSync(path.join(PAGE_DIR, name)));
  const art = await read('icon-32.png');
  const at = (image, x, y) => [...image.rgb.subarray((y * image.width + x) * 3, (y * image.width + x) * 3 + 3)];
  for (const [name, size, scale, margin] of [['icon-192.png', 192, 6, 0], ['icon-512.png', 512, 16, 0],
                                             ['icon-maskable-512.png', 512, 9, 112]]) {
    const icon = await read(name);
    assert.deepEqual([icon.width, icon.height], [size, size], name);
    for (let y = 0; y < 32; ++y) {
      for (let x = 0; x < 32; ++x) {
        const pixel = at(art, x, y);
        if (pixel.every(v => v === 0)) continue;  // see-through corners
        for (const [dx, dy] of [[0, 0], [scale - 1, scale - 1]])
          assert.deepEqual(at(icon, margin + x * scale + dx, margin + y * scale + dy), pixel, `${name} at ${x},${y}`);
      }
    }
  }
  // The maskable icon's corners are the sky, never see-through, and all else lies within the circle
  // launchers keep whatever their mask (40% of the size from the middle).
  const maskable = await read('icon-maskable-512.png');
  await page.close();
  const sky = at(maskable, 0, 0);
  assert.notDeepEqual(sky, [0, 0, 0]);
  assert.deepEqual(at(maskable, 511, 511), sky);
  for (let y = 0; y < 512; ++y) {
    for (let x = 0; x < 512; ++x) {
      if (Math.hypot(x + 0.5 - 256, y + 0.5 - 256) > 0.4 * 512)
        assert.deepEqual(at(maskable, x, y), sky, `the maskable icon outside its safe zone at ${x},${y}`);
    }
  }
});

test('installable, and a second visit starts offline from the cache of this version only', () =>
  inFreshPage(false, {'other.txt': path.join(SOURCE_DIR, 'README.md')}, async (page, server) => {
    // A cache an earlier version left behind, which the new worker deletes when it takes over.
    await page.goto(server.url + 'other.txt');
    await page.evaluate(() => caches.open('lobshot-0.0.1').then(cache => cache.put('old', new Response('old'))));

    await page.goto(server.url + '#seed=1&steps');
    await waitForGame(page);
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.waitForFunction(() => navigator.serviceWorker.controller !== null, {timeout: 10000});
    const cdp = await page.createCDPSession();
    const {installabilityErrors} = await cdp.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors, []);
    const version = /project\(lobshot VERSION ([\d.]+)/.exec(fs.readFileSync(path.join(SOURCE_DIR, 'CMakeLists.txt'),
                                                                            'utf8'))[1];
    const rules = /RULES_VERSION = (\d+);/.exec(fs.readFileSync(path.join(SOURCE_DIR, 'core/rules_version.h'), 'utf8'))[1];
    assert.deepEqual(await page.evaluate(() => caches.keys()), [`lobshot-${version}-rules-${rules}`]);

    const manifest = JSON.parse(fs.readFileSync(path.join(PAGE_DIR, 'manifest.webmanifest'), 'utf8'));
    assert.deepEqual([manifest.name, manifest.display, manifest.orientation], ['Lobshot', 'fullscreen', 'landscape']);

    await page.setOfflineMode(true);
    await page.reload();
    await waitForGame(page, 10000);
    await playScript(page, 'wait 3\n');
    assert.equal(await mode(page), 'Title');
  }));

// The WebAssembly's retry fetches it again; the script's loads the page anew. Opened from a file, the
// page says it must be served.
test('a file of the page missing: a message and a retry that starts the game once the server is mended', async () => {
  for (const [name, said] of [
    ['index.wasm', /^Lobshot could not be loaded \(the server answered 404 for index\.wasm\)\. Check the connection/],
    ['index.js', /its script did not arrive/]]) {
    await inFreshPage(true, {}, async (page, server) => {
      server.faults[name] = 404;
      await page.goto(server.url + '#seed=1&steps');
      await page.waitForFunction(() => !document.getElementById('loading-retry').hidden, {timeout: 10000});
      assert.match(await page.$eval('#loading-text', element => element.textContent), said);
      assert.equal(await visible(page, '#loading-bar'), false, name);
      delete server.faults[name];
      await Promise.all([name === 'index.js' && page.waitForNavigation(), page.click('#loading-retry')]);
      await waitForGame(page, 10000);
      assert.equal(await visible(page, '#loading'), false, name);
      assert.equal(await page.$eval('#loading-bar', bar => bar.value), 1, 'the bar was full when the game started');
      await playScript(page, 'wait 2\n');
      assert.equal(await mode(page), 'Title');
    });
  }
  await inFreshPage(true, {}, async page => {
    await page.goto('file://' + path.join(PAGE_DIR, 'index.html'));
    await page.waitForFunction(() => document.getElementById('loading').classList.contains('failed'), {timeout: 10000});
    assert.match(await page.$eval('#loading-text', element => element.textContent),
                 /must be served by a web server.*scripts\/web\.sh.*any static web server/);
    assert.equal(await visible(page, '#loading-retry'), false);
  });
});

test('in a frame of another page, "Click to play" until the game has the focus', async () => {
  const dir = fs.mkdtempSync(path.join(PAGE_DIR, '..', 'frame-'));
  const outer = path.join(dir, 'outer.html');
  fs.writeFileSync(outer, '<!doctype html><button id="outside">Elsewhere</button>' +
                          '<iframe src="index.html#seed=1" width="640" height="480"></iframe>');
  await inFreshPage(true, {'outer.html': outer}, async (page, server) => {
    await page.bringToFront();
    await page.goto(server.url + 'outer.html');
    await page.focus('#outside');
    const frame = page.frames().find(f => f.url().includes('index.html'));
    await frame.waitForFunction(() => typeof Module !== 'undefined' && Module.lobshotFirstFrameAt !== undefined,
                                {timeout: 10000});
    const cover = () => frame.$eval('#click-to-play', element => !element.hidden);
    assert.equal(await cover(), true);
    assert.equal(await frame.$eval('#click-to-play', element => element.textContent), 'Click to play');

    await frame.click('#click-to-play');
    await frame.waitForFunction(() => document.hasFocus(), {timeout: 5000});
    assert.equal(await cover(), false);

    await page.focus('#outside');
    await frame.waitForFunction(() => !document.getElementById('click-to-play').hidden, {timeout: 5000});
  });
  fs.rmSync(dir, {recursive: true});
});

// From a server that sends no Cache-Control (nginx's default) and files a day old, which the browser
// keeps for hours without asking, the new service worker still fills its cache with the new files,
// and the page's notice (Enter on it) loads them.
test('a new version published with old file times shows after the page\'s notice', async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-site-'));
  const age = days => {
    const when = Date.now() / 1000 - days * 24 * 3600;
    for (const name of fs.readdirSync(dir)) fs.utimesSync(path.join(dir, name), when, when);
  };
  for (const name of fs.readdirSync(PAGE_DIR).filter(name => !/\.(gz|br)$/.test(name)))
    fs.copyFileSync(path.join(PAGE_DIR, name), path.join(dir, name));
  age(2);
  await inFreshPage(true, {}, async (page, server) => {
    await page.goto(server.url + '#seed=1&steps');
    await waitForGame(page);
    await page.waitForFunction(() => navigator.serviceWorker.controller !== null, {timeout: 15000});

    // The second version: its worker's cache under another name, and a line on its page.
    const worker = fs.readFileSync(path.join(dir, 'sw.js'), 'utf8');
    const cache = /'(lobshot-[^']+)'/.exec(worker)[1] + '-second';
    fs.writeFileSync(path.join(dir, 'sw.js'), worker.replace(/'lobshot-[^']+'/, `'${cache}'`));
    const html = fs.readFileSync(path.join(dir, 'index.html'), 'utf8');
    fs.writeFileSync(path.join(dir, 'index.html'), html.replace('</body>', '<p id="second">Second version</p></body>'));
    age(1);

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
  }, {dir, dated: true});
  fs.rmSync(dir, {recursive: true});
});

// The page keeps the player's settings in its storage, in the very words of the native game's file.
test('the volume and the sound are kept in the page\'s storage as the settings file words them', () =>
  inFreshPage(true, {}, async (page, server) => {
    await page.goto(server.url);
    await waitForGame(page);
    await page.evaluate(() => localStorage.setItem('lobshot.settings', 'volume = 40\nmute = true\n'));
    await page.reload();
    await waitForGame(page);
    await page.waitForFunction(() => Module._lobshot_frame() >= 2, {polling: 20});
    await page.keyboard.press('F8');
    await page.waitForFunction(() => /^volume = 50\nmute = false$/m.test(localStorage.getItem('lobshot.settings')),
                               {timeout: 5000, polling: 50});
  }));
