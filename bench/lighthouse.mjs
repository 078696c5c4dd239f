// Lighthouse's accessibility and performance scores of the published page (build-web/site/), on a
// phone and on a desktop as Lighthouse emulates them, with the audits that cost points. The page is
// served on 127.0.0.1 as a server of the published folder would serve it: each file's brotli or
// gzip copy when the browser takes it, so that the scores are those of the page, not of the server.
// Lighthouse slows a phone's processor by simulation, from what it sees: on a busy machine the
// performance scores come out lower.
//
// Usage: node bench/lighthouse.mjs   (nothing is built; Lighthouse from build-web/node_modules)
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

import { PAGE_DIR, WEB_BUILD_DIR } from '../tests/page/harness.mjs';

const TYPES = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
               '.webmanifest': 'application/manifest+json'};
const COPIES = [['br', '.br'], ['gzip', '.gz']];
// The page's goals: Lighthouse's accessibility on both, its performance on a phone.
const GOALS = {mobile: {accessibility: 95, performance: 90}, desktop: {accessibility: 95}};

const server = http.createServer((request, response) => {
  const name = new URL(request.url, 'http://127.0.0.1').pathname.slice(1) || 'index.html';
  const file = path.join(PAGE_DIR, name);
  if (!/^[\w.-]+$/.test(name) || !fs.existsSync(file)) {
    response.writeHead(404);
    return response.end();
  }
  const accepted = request.headers['accept-encoding'] || '';
  const [encoding, suffix] = COPIES.find(([e, s]) => accepted.includes(e) && fs.existsSync(file + s)) || [];
  const body = fs.readFileSync(encoding ? file + suffix : file);
  response.writeHead(200, {'Content-Type': TYPES[path.extname(name)] || 'application/octet-stream',
                           'Content-Length': body.length, 'Cache-Control': 'no-cache',
                           ...(encoding ? {'Content-Encoding': encoding} : {})});
  response.end(body);
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/`;

// Each form factor in a browser of its own, the CLI in a process of its own (never waited for in a
// way that blocks: the server answers from this one).
const cli = path.join(WEB_BUILD_DIR, 'node_modules/lighthouse/cli/index.js');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'lobshot-lighthouse-'));
try {
  for (const form of ['mobile', 'desktop']) {
    const report = path.join(work, form + '.json');
    const run = spawn('node', [
      cli, url, '--quiet', '--output=json', `--output-path=${report}`,
      '--only-categories=accessibility,performance', '--chrome-flags=--headless=new --no-sandbox',
      ...(form === 'desktop' ? ['--preset=desktop'] : [])],
      {stdio: 'inherit', env: {...process.env, CHROME_PATH: process.env.LOBSHOT_CHROMIUM || '/usr/bin/chromium'}});
    const status = await new Promise(resolve => run.on('exit', resolve));
    if (status !== 0) throw new Error(`Lighthouse (${form}) exited with ${status}`);
    const result = JSON.parse(fs.readFileSync(report, 'utf8'));
    const score = id => {
      const value = Math.round(result.categories[id].score * 100);
      return value < (GOALS[form][id] || 0) ? `${value} (below the goal of ${GOALS[form][id]})` : value;
    };
    console.log(`${form}: accessibility ${score('accessibility')}, performance ${score('performance')}`);
    for (const audit of Object.values(result.audits))
      if (audit.score !== null && audit.score < 0.9 && audit.scoreDisplayMode !== 'informative' &&
          !audit.id.endsWith('-insight'))
        console.log(`  ${audit.id}: ${audit.displayValue || audit.score}`);
  }
} finally {
  server.close();
  fs.rmSync(work, {recursive: true, force: true});
}
