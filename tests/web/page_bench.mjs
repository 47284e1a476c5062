// The page's frame rate in headless Chromium: clicks to play, waits
// WAIT_SECONDS, then prints the title's frame rate once a second for
// SAMPLES seconds ("web-bench: fps N"). For scripts/web-bench; not a test.
//   node page_bench.mjs URL CHROMIUM PUPPETEER_DIR WAIT_SECONDS SAMPLES
import { createRequire } from "node:module";
import path from "node:path";

const [url, chromium, puppeteerDir, waitSeconds, samples] = process.argv.slice(2);
const require = createRequire(path.join(path.resolve(puppeteerDir), "node_modules", "x.js"));
const puppeteer = require("puppeteer-core");
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const browser = await puppeteer.launch({
  executablePath: chromium,
  headless: true,
  args: ["--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader"],
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  await page.goto(url, { waitUntil: "load" });
  await page.waitForFunction(() => window.tessalinePage && window.tessalinePage.state === "ready", { timeout: 120000 });
  const cover = await page.$eval("#cover", (c) => {
    const r = c.getBoundingClientRect();
    return { x: r.x + r.width / 2, y: r.y + r.height / 2 };
  });
  await page.mouse.click(cover.x, cover.y);
  await page.waitForFunction(() => window.tessalinePage.firstFrameMs > 0, { timeout: 30000 });
  const firstFrame = await page.evaluate(() => window.tessalinePage.firstFrameMs - window.tessalinePage.clickMs);
  console.log(`web-bench: first frame ${firstFrame.toFixed(0)} ms after the click`);
  await sleep(Number(waitSeconds) * 1000);
  for (let i = 0; i < Number(samples); ++i) {
    await sleep(1000);
    const title = await page.title();
    const fps = /fps: ([0-9]+)$/.exec(title);
    if (fps) console.log(`web-bench: fps ${fps[1]}`);
  }
} finally {
  await browser.close();
}
