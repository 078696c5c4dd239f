// Measures how soon a person with only a browser has a friend in a room of their own, in headless
// Chromium on this machine (a relay of scripts/relay.sh on free ports of 127.0.0.1, the published
// page of build-web/site/): from opening the page with "#host" to the room open on it (its code and
// links shown), and to a friend, who opens the invite link as soon as it shows, in the room. Each
// of the two types a name when asked, as a first visit does. Median and slowest of 5 rooms.
//
// Usage: node bench/measure_page_room.mjs   (nothing is built; puppeteer-core from
// build-web/node_modules, see tests/page/run.sh --install)
import { launchBrowser, openPage, servePage, startRelay } from '../tests/page/harness.mjs';

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const children = [];
const server = await servePage();
const browser = await launchBrowser();
const relayPort = await startRelay(children);
const opened = [], befriended = [];
try {
  for (let room = 0; room < 5; ++room) {
    const start = Date.now();
    const host = await openPage(await browser.createBrowserContext(), server.url,
                                `#host&relay=127.0.0.1:${relayPort + 1}`, 'Pixel 5 landscape', 'Ann');
    const invite = await host.$eval('#invite-link', link => link.href);
    opened.push(Date.now() - start);
    const friend = await openPage(await browser.createBrowserContext(), invite, '', 'Pixel 5 landscape', 'Bea');
    await host.waitForFunction(() => JSON.parse(Module.lobshotState()).net.machines === 2, {polling: 20});
    befriended.push(Date.now() - start);
    await Promise.all([host, friend].map(page => page.browserContext().close()));
  }
} finally {
  await browser.close();
  server.close();
  for (const child of children) child.kill();
}
for (const [what, times] of [['the room open', opened], ['a friend in it', befriended]])
  console.log(`from opening the page to ${what}: median ${median(times)} ms, slowest ${Math.max(...times)} ms`);
