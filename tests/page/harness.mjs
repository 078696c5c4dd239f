// The browser tests' harness: the page served on 127.0.0.1, Debian's Chromium driven through its
// DevTools protocol, key scripts played into the page as real keyboard events, and the replay
// runner's outputs for the same seed and script to compare with.
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { after, before } from 'node:test';

export const SOURCE_DIR = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
export const WEB_BUILD_DIR = process.env.LOBSHOT_WEB_DIR || path.join(SOURCE_DIR, 'build-web');
// The folder a server publishes, as the build makes it.
export const PAGE_DIR = path.join(WEB_BUILD_DIR, 'site');
export const HEADLESS = process.env.LOBSHOT_HEADLESS || path.join(SOURCE_DIR, 'build', 'lobshot-headless');
const CHROMIUM = process.env.LOBSHOT_CHROMIUM || '/usr/bin/chromium';

// The page's own files: what a player's browser downloads to play.
export const PAGE_FILES = ['index.html', 'index.js', 'index.wasm'];
const TYPES = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
               '.webmanifest': 'application/manifest+json'};

// Serves the published folder (or `dir`) on a free port of 127.0.0.1, as any static server would,
// and the files of `extra` (a name on the server for each file's path) as plain text. `server.faults`
// maps a name to the status the server answers for it instead, until the test mends it. A `dated`
// server says when each file was changed and answers 304 to a request naming that time, with no
// Cache-Control (nginx's default).
export async function servePage(extra = {}, {dir = PAGE_DIR, dated = false} = {}) {
  const faults = {};
  const server = http.createServer((request, response) => {
    const name = new URL(request.url, 'http://127.0.0.1').pathname.slice(1) || 'index.html';
    const published = /^[\w.-]+$/.test(name) && fs.existsSync(path.join(dir, name));
    if (faults[name] || (!published && !Object.hasOwn(extra, name))) {
      response.writeHead(faults[name] || 404);
      return response.end();
    }
    const file = published ? path.join(dir, name) : extra[name];
    const modified = dated ? {'Last-Modified': fs.statSync(file).mtime.toUTCString()} : {};
    if (dated && request.headers['if-modified-since'] === modified['Last-Modified']) {
      response.writeHead(304, modified);
      return response.end();
    }
    const body = fs.readFileSync(file);
    response.writeHead(200, {'Content-Type': TYPES[path.extname(name)] || 'text/plain', 'Content-Length': body.length,
                             ...modified});
    response.end(body);
  });
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  return {url: `http://127.0.0.1:${server.address().port}/`, faults, close: () => server.close()};
}

// Chromium as puppeteer starts it: without the slowing of background tabs' timers and work, unless
// `throttled`, where a page out of sight is slowed as a person's browser slows it.
export async function launchBrowser(throttled = false) {
  const require = createRequire(path.join(WEB_BUILD_DIR, 'package.json'));
  const puppeteer = require('puppeteer-core');
  const slowing = ['--disable-background-timer-throttling', '--disable-backgrounding-occluded-windows',
                   '--disable-renderer-backgrounding'];
  return puppeteer.launch({executablePath: CHROMIUM, headless: true,
                           args: ['--no-sandbox', '--autoplay-policy=user-gesture-required'],
                           ignoreDefaultArgs: throttled ? slowing : [], protocolTimeout: 900000});
}

// What a file's tests share, made before them and ended after them: a working folder, the server
// (with the files `extra` names, given the suite), the browser, and child processes to end.
export function suite(extra = () => ({})) {
  const s = {children: []};
  before(async () => {
    s.work = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-page-'));
    s.server = await servePage(extra(s));
    s.browser = await launchBrowser();
  });
  after(async () => {
    for (const child of s.children) if (child.exitCode === null) child.kill();
    await s.browser?.close();
    s.server?.close();
    fs.rmSync(s.work, {recursive: true, force: true});
  });
  return s;
}

// A phone puppeteer knows ('Pixel 5 landscape'), for page.emulate.
export function device(name) {
  return createRequire(path.join(WEB_BUILD_DIR, 'package.json'))('puppeteer-core').KnownDevices[name];
}

// Opens the page with `fragment` (on a phone, given one) in `browser` (or a browser context) and
// waits until the game is ready: with steps, until it waits for the first step. Errors on the page
// are collected in page.lobshotErrors. Its person has given no name before (the page asks the first
// time it goes into a room); with `name` they type it into the page's question when it comes.
export async function openPage(browser, url, fragment, phone, name) {
  const page = await browser.newPage();
  await watchPage(page);
  if (phone) await page.emulate(device(phone));
  if (name === undefined)
    await page.evaluateOnNewDocument(() => localStorage.getItem('lobshot-name') ?? localStorage.setItem('lobshot-name', ''));
  await page.goto(url + fragment);
  if (name !== undefined) {
    await page.waitForSelector('#name-text', {visible: true});
    await typeInto(page, 'name', name);
  }
  await waitForGame(page);
  return page;
}

// Taps the room's field `id` (name, chat) as a person would, types `text` and taps its button.
export async function typeInto(page, id, text) {
  await page.tap(`#${id}-text`);
  await page.keyboard.type(text);
  await page.tap(`#${id} button`);
}

// Runs `body` on the suite's page opened with `fragment`, then checks the page had no error and
// closes it.
export async function withPage(s, fragment, body, phone) {
  const page = await openPage(s.browser, s.server.url, fragment, phone);
  try {
    await body(page);
    assert.deepEqual(page.lobshotErrors, []);
  } finally {
    await page.close();
  }
}

// The game's state snapshot, its mode, and steps of a page with steps.
export const state = async page => JSON.parse(await page.evaluate(() => Module.lobshotState()));
export const mode = page => page.evaluate(() => Module.lobshotMode());
export const step = (page, count) => page.evaluate(n => Module.lobshotStep(n), count);
export const news = page => page.$eval('#news', element => element.textContent);

// Collects the page's errors in page.lobshotErrors, and the last of all it logged in page.lobshotLog
// (for a failure's message), and gives it the tests' window size.
export async function watchPage(page) {
  page.lobshotErrors = [];
  page.lobshotLog = [];
  page.on('pageerror', error => page.lobshotErrors.push(error.message));
  page.on('console', message => {
    if (message.text().startsWith('ERROR')) page.lobshotErrors.push(message.text());
    page.lobshotLog = [...page.lobshotLog.slice(-19), message.text()];
  });
  await page.setViewport({width: 960, height: 720});
}

// Waits until the game on the page is ready (see openPage), and readies the page's keyboard.
export async function waitForGame(page, timeout = 30000) {
  await page.waitForFunction(() => typeof Module !== 'undefined' &&
                                   (Module.lobshotReadyAt !== undefined || Module.lobshotFirstFrameAt !== undefined),
                             {timeout});
  if (!page.lobshotKeys) page.lobshotKeys = await page.createCDPSession();
}

// A key of the replay runner's scripts as the browser names it.
function browserKey(name) {
  const upper = name.toUpperCase();
  const named = {ENTER: ['Enter', 'Enter', 13], SPACE: ['Space', ' ', 32], ESC: ['Escape', 'Escape', 27],
                 SHIFT: ['ShiftLeft', 'Shift', 16], ALT: ['AltLeft', 'Alt', 18], LEFT: ['ArrowLeft', 'ArrowLeft', 37],
                 UP: ['ArrowUp', 'ArrowUp', 38], RIGHT: ['ArrowRight', 'ArrowRight', 39],
                 DOWN: ['ArrowDown', 'ArrowDown', 40]};
  if (named[upper]) return {code: named[upper][0], key: named[upper][1], vk: named[upper][2]};
  if (/^F([1-9]|1[0-2])$/.test(upper)) return {code: upper, key: upper, vk: 111 + Number(upper.slice(1))};
  if (/^[0-9]$/.test(upper)) return {code: 'Digit' + upper, key: upper, vk: upper.charCodeAt(0)};
  if (/^[A-Z]$/.test(upper)) return {code: 'Key' + upper, key: upper.toLowerCase(), vk: upper.charCodeAt(0)};
  throw new Error(`unknown key ${name}`);
}

// The DevTools protocol's bits of the modifier keys held.
const MODIFIERS = {AltLeft: 1, ShiftLeft: 8};

// Sends one keyboard event through the DevTools protocol, as a real key would arrive.
async function sendKey(page, name, type, repeat) {
  const k = browserKey(name);
  const bit = MODIFIERS[k.code] || 0;
  page.lobshotModifiers = type === 'keyDown' ? (page.lobshotModifiers || 0) | bit : (page.lobshotModifiers || 0) & ~bit;
  const shift = (page.lobshotModifiers & MODIFIERS.ShiftLeft) !== 0;
  await page.lobshotKeys.send('Input.dispatchKeyEvent', {
    type, code: k.code, key: shift && k.key.length === 1 ? k.key.toUpperCase() : k.key,
    windowsVirtualKeyCode: k.vk, autoRepeat: repeat, modifiers: page.lobshotModifiers});
}

// The seed and extra frames a scenario's first line gives ("# args: --seed 7 --frames 50").
export function scriptArgs(text) {
  const first = text.split('\n')[0];
  const seed = /--seed (\d+)/.exec(first);
  const frames = /--frames (\d+)/.exec(first);
  return {seed: seed ? Number(seed[1]) : 1, frames: frames ? Number(frames[1]) : 0};
}

// Plays a script of the replay runner into the page: keys as keyboard events, ticks as steps. False
// when an `until` was not reached or the game ended early; page.lobshotStopped then names the line.
export async function playScript(page, text) {
  for (const raw of text.split('\n')) {
    const words = raw.replace(/#.*/, '').trim().split(/\s+/).filter(Boolean);
    if (words.length === 0) continue;
    const [verb, ...rest] = words;
    if (verb === 'press') {
      for (const key of rest) {
        await sendKey(page, key, 'keyDown', false);
        await sendKey(page, key, 'keyUp', false);
      }
    } else if (verb === 'down' || verb === 'up') {
      await sendKey(page, rest[0], verb === 'down' ? 'keyDown' : 'keyUp', false);
    } else if (verb === 'repeat') {
      await sendKey(page, rest[0], 'keyDown', true);
    } else if (verb === 'wait') {
      await page.evaluate(count => Module.lobshotStep(count), Number(rest[0]));
    } else if (verb === 'until') {
      const limit = rest[1] ? Number(rest[1]) : 100000;
      if (!await page.evaluate((modes, n) => Module.lobshotStepUntil(modes, n), rest[0].split('|'), limit)) {
        page.lobshotStopped = `${raw.trim()} (in ${await page.evaluate(() => Module.lobshotMode()).catch(() => '?')})`;
        return false;
      }
    } else if (verb === 'activate') {
      await page.evaluate(active => Module.lobshotActivate(active), Number(rest[0]));
    } else {
      throw new Error(`the browser tests cannot play "${verb}"`);
    }
  }
  return true;
}

// Pixels as the browser gives them (red, green, blue, alpha in base 64) as red, green, blue bytes.
function rgbOf({width, height, rgba}) {
  const bytes = Buffer.from(rgba, 'base64');
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0, o = 0; i < bytes.length; i += 4, o += 3) bytes.copy(rgb, o, i, i + 3);
  return {width, height, rgb};
}

// A PNG file's pixels as red, green, blue bytes, decoded by the browser of `page`.
export async function decodePng(page, bytes) {
  return rgbOf(await page.evaluate(async base64 => {
    const bitmap = await createImageBitmap(new Blob([Uint8Array.from(atob(base64), c => c.charCodeAt(0))]),
                                           {premultiplyAlpha: 'none', colorSpaceConversion: 'none'});
    const context = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const data = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 8192) text += String.fromCharCode.apply(null, data.subarray(i, i + 8192));
    return {width: bitmap.width, height: bitmap.height, rgba: btoa(text)};
  }, bytes.toString('base64')));
}

// The state snapshot and screenshot (PNG) lobshot-headless ends in when run with `args`.
export function headless(args) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-web-'));
  try {
    const state = path.join(dir, 'state.json'), shot = path.join(dir, 'shot.png');
    const run = spawnSync(HEADLESS, [...args, '--state', state, '--screenshot', shot], {encoding: 'utf8'});
    if (run.status !== 0) throw new Error(`lobshot-headless ${args.join(' ')} exited with ${run.status}: ${run.stderr}`);
    return {state: fs.readFileSync(state, 'utf8'), png: fs.readFileSync(shot)};
  } finally {
    fs.rmSync(dir, {recursive: true});
  }
}

// The page ends in the state and picture lobshot-headless ended in.
export async function assertSameAs(page, expected) {
  assert.equal(await page.evaluate(() => Module.lobshotState()), expected.state);
  const [got, want] = [rgbOf(await page.evaluate(() => Module.lobshotPixels())), await decodePng(page, expected.png)];
  assert.deepEqual([got.width, got.height], [want.width, want.height]);
  const at = got.rgb.findIndex((value, i) => value !== want.rgb[i]);
  const p = Math.floor(at / 3);
  assert.equal(at, -1, `pixel (${p % got.width}, ${Math.floor(p / got.width)}): ` +
                       `${[...got.rgb.subarray(3 * p, 3 * p + 3)]} against ${[...want.rgb.subarray(3 * p, 3 * p + 3)]}`);
}

// What the pointer knows of the screen shown (the game's rows and the places on them to tap).
export const pointerScreen = async page =>
  JSON.parse(await page.evaluate(() => Module.UTF8ToString(Module._lobshot_pointer_screen())));

// A point of the picture (320 x 200) on the page, in the middle of its pixel.
export async function onPage(page, x, y) {
  const [left, top, width, height] = await page.$eval('#screen', canvas => {
    const r = canvas.getBoundingClientRect();
    return [r.left, r.top, r.width, r.height];
  });
  return [left + (x + 0.5) * width / 320, top + (y + 0.5) * height / 200];
}

export const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// Waits until a page running in real time has made `count` more frame steps.
export async function framesPass(page, count) {
  const frame = await page.evaluate(() => Module._lobshot_frame());
  await page.waitForFunction((from, n) => Module._lobshot_frame() >= from + n, {polling: 20}, frame, count);
}

// Waits at most `ms` for a row of a host's output (startRoomHost) to match `row`.
export async function hostSays(host, row, ms = 10000) {
  for (const end = Date.now() + ms; Date.now() < end && !row.test(host.out());) await sleep(100);
  assert.match(host.out(), row);
}

// Whether something answers on a TCP port of 127.0.0.1.
export function answers(port) {
  return new Promise(resolve => {
    const socket = net.connect(port, '127.0.0.1', () => { socket.destroy(); resolve(true); });
    socket.on('error', () => resolve(false));
  });
}

// Whether a port of 127.0.0.1 is free to listen on.
function free(port) {
  return new Promise(resolve => {
    const probe = net.createServer();
    probe.once('error', () => resolve(false));
    probe.listen(port, '127.0.0.1', () => probe.close(() => resolve(true)));
  });
}

// A relay (scripts/relay.sh) on a free pair of ports: TCP on the first, WebSocket on the next. Its
// TCP port, once it takes connections and is still running a moment later (so the port is its own).
// The process joins `children`, for the test to end.
export async function startRelay(children) {
  for (let attempt = 0; attempt < 5; ++attempt) {
    const port = 20000 + 2 * Math.floor(Math.random() * 10000);
    if (!await free(port) || !await free(port + 1)) continue;
    const relay = spawn(path.join(SOURCE_DIR, 'scripts/relay.sh'), [String(port)], {stdio: 'ignore'});
    children.push(relay);
    for (let i = 0; i < 50 && relay.exitCode === null; ++i) {
      if (await answers(port)) {
        await sleep(200);
        if (relay.exitCode === null) return port;
      }
      await sleep(100);
    }
    relay.kill();
  }
  throw new Error('the relay did not start');
}

// The script of a guest's person in the rooms of these tests: it plays its seat to the end of the match.
export const GUEST_SCRIPT = fs.readFileSync(path.join(SOURCE_DIR, 'tests/page/room_guest.script'), 'utf8');

// Runs a native guest of the suite's room, joined by `code` through the relay's TCP port, with a home
// of its own (a machine apart) and `args`: it plays GUEST_SCRIPT, writes its state (guest.json in the
// suite's folder) a while into the end of the match and stays until past the frame of the host's
// state (the host's 400 frames into the end at least), so that the news of its leaving comes after
// that frame. Resolves with its exit status and errors.
export function startNativeGuest(s, relayPort, code, args = []) {
  const script = path.join(s.work, 'guest.script');
  fs.writeFileSync(script, GUEST_SCRIPT + 'wait 20\nstate guest.json\nwait 400\n');
  const guest = spawn(HEADLESS, ['--relay', `127.0.0.1:${relayPort}`, '--online', code, ...args, '--script', script],
                      {cwd: s.work, stdio: ['ignore', 'ignore', 'pipe'],
                       env: {...process.env, XDG_DATA_HOME: path.join(s.work, 'guest-data')}});
  s.children.push(guest);
  let err = '';
  guest.stderr.on('data', data => { err += data; });
  return new Promise(resolve => guest.on('exit', status => resolve({status, err})));
}

// Runs a lobshot-headless host of an online room with `args` (its seed and script), in `cwd`, whose
// link names the page at `pageUrl`; resolves with the room's link and code and the watch link and
// code (its rows), and later with its exit status and output. out() is its output so far.
export function startRoomHost(children, relayPort, pageUrl, args, cwd) {
  // (Its rows are read as they come: a line at a time.)
  const host = spawn('stdbuf', ['-oL', HEADLESS, '--relay', `127.0.0.1:${relayPort}`, '--online', '--page', pageUrl,
                                ...args], {cwd, stdio: ['ignore', 'pipe', 'pipe']});
  children.push(host);
  let out = '', err = '';
  host.stderr.on('data', data => { err += data; });
  const ended = new Promise(resolve => host.on('exit', status => resolve({status, out, err})));
  const link = new Promise((resolve, reject) => {
    host.stdout.on('data', data => {
      out += data;
      const row = /^Room page: (\S+)\nWatch page: (\S+)$/m.exec(out);
      if (row) {
        resolve({link: row[1], code: /^Room code: (\S+)$/m.exec(out)[1], watchLink: row[2],
                 watchCode: /^Watch code: (\S+)$/m.exec(out)[1]});
      }
    });
    host.on('exit', () => reject(new Error(`the host ended without a link: ${out} ${err}`)));
  });
  return {link, ended, out: () => out};
}
