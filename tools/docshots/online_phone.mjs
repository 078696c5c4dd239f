// Documentation tool: the page on a phone (Pixel 5, landscape) at its title and on its online menu's
// "Join a room" page, as docs/screenshots/online-*-phone.png. Needs the built page and what
// tests/page/run.sh --install installs.
//
// Usage: node tools/docshots/online_phone.mjs
import path from 'node:path';

import { launchBrowser, openPage, servePage, sleep, SOURCE_DIR } from '../../tests/page/harness.mjs';

const server = await servePage();
const browser = await launchBrowser();
try {
  // (Not stepped: a stepped page offers no online play.)
  const page = await openPage(browser, server.url, '#seed=3', 'Pixel 5 landscape');
  const shot = name => page.screenshot({path: path.join(SOURCE_DIR, 'docs/screenshots', name)});
  await sleep(300);
  await shot('online-title-phone.png');
  const tap = async (x, y) => {
    const box = await (await page.$('#screen')).boundingBox();
    await page.touchscreen.tap(box.x + box.width * x / 320, box.y + box.height * y / 200);
    await sleep(300);
  };
  await tap(160, 182);
  await tap(160, 68);
  await shot('online-join-phone.png');
} finally {
  await browser.close();
  server.close();
}
