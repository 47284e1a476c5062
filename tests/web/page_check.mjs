// The browser build's page played in headless Chromium, as a viewer would:
// a real mouse click starts it, the show runs to the heart at about 22 s, and
// Escape ends it. Each case prints one line; the last line counts them.
//   node page_check.mjs URL CHROMIUM PUPPETEER_DIR [GRAB_DIR]
// GRAB_DIR: where the canvas at 22 s is written (heart.png).
import { createRequire } from "node:module";
import { writeFileSync } from "node:fs";
import path from "node:path";

const [url, chromium, puppeteerDir, grabDir] = process.argv.slice(2);
const require = createRequire(path.join(path.resolve(puppeteerDir), "node_modules", "x.js"));
const puppeteer = require("puppeteer-core");

let passed = 0;
let failed = 0;
const result = (name, ok, detail) => {
  if (ok) ++passed; else ++failed;
  console.log(`web-check: ${name} ${ok ? "passed" : "FAILED"}${detail ? ` (${detail})` : ""}`);
};
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Waits for fn (evaluated in the page) to be truthy; false after timeoutMs.
const waitFor = async (page, fn, timeoutMs) => {
  try {
    await page.waitForFunction(fn, { timeout: timeoutMs, polling: 100 });
    return true;
  } catch {
    return false;
  }
};

// Share of reddish pixels in the middle 10 % (each way) of the canvas, read
// from a grab of the page as shown.
const redShareInMiddle = async (page) => {
  const box = await page.$eval("#canvas", (c) => {
    const r = c.getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height };
  });
  const png = await page.screenshot({ clip: box, type: "png", encoding: "base64" });
  if (grabDir) writeFileSync(path.join(grabDir, "heart.png"), Buffer.from(png, "base64"));
  return page.evaluate(async (data) => {
    const image = new Image();
    image.src = `data:image/png;base64,${data}`;
    await image.decode();
    const c = document.createElement("canvas");
    c.width = image.width;
    c.height = image.height;
    const g = c.getContext("2d");
    g.drawImage(image, 0, 0);
    const w = Math.max(1, Math.floor(c.width / 10));
    const h = Math.max(1, Math.floor(c.height / 10));
    const pixels = g.getImageData(Math.floor((c.width - w) / 2), Math.floor((c.height - h) / 2), w, h).data;
    let red = 0;
    for (let i = 0; i < pixels.length; i += 4) {
      const [r, gr, b] = [pixels[i], pixels[i + 1], pixels[i + 2]];
      if (r >= 96 && r > 1.6 * gr && r > 1.6 * b) ++red;
    }
    return red / (w * h);
  }, png);
};

const browser = await puppeteer.launch({
  executablePath: chromium,
  headless: true,
  args: ["--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader"],
});
const problems = [];
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  page.on("pageerror", (error) => problems.push(`page error: ${error.message}`));
  page.on("console", (message) => {
    if (message.type() === "error") problems.push(`console error: ${message.text()}`);
  });
  page.on("requestfailed", (request) => problems.push(`request failed: ${request.url()}`));
  page.on("response", (response) => {
    if (response.status() >= 400) problems.push(`HTTP ${response.status()}: ${response.url()}`);
  });

  await page.goto(url, { waitUntil: "load" });
  const ready = await waitFor(page, () => window.tessalinePage && window.tessalinePage.state === "ready", 120000);
  const pageState = await page.evaluate(() => window.tessalinePage && window.tessalinePage.state);
  result("page ready to play", ready, `state ${pageState}`);
  if (!ready) throw new Error(await page.$eval("#note", (n) => n.textContent));

  const cover = await page.$eval("#cover", (c) => {
    const r = c.getBoundingClientRect();
    return { x: r.x + r.width / 2, y: r.y + r.height / 2 };
  });
  await page.mouse.click(cover.x, cover.y);
  const started = await waitFor(page, () => window.tessalinePage.firstFrameMs > 0, 30000);
  const firstFrame = await page.evaluate(() => window.tessalinePage.firstFrameMs - window.tessalinePage.clickMs);
  result("a click starts the show", started, started ? `first frame ${firstFrame.toFixed(0)} ms after the click` : "no frame");
  const clickedAt = Date.now();

  const audioBefore = await page.evaluate(() => {
    const audio = Module.webAudio;
    return audio ? { state: audio.context.state, time: audio.context.currentTime } : null;
  });
  await sleep(2000);
  const audioAfter = await page.evaluate(() => {
    const audio = Module.webAudio;
    return audio ? { state: audio.context.state, time: audio.context.currentTime } : null;
  });
  const audioRuns = audioBefore !== null && audioAfter !== null && audioAfter.state === "running" &&
    audioAfter.time - audioBefore.time > 1.0;
  result("an audio context runs and its clock advances", audioRuns,
    audioAfter ? `${audioAfter.state}, ${(audioAfter.time - (audioBefore ? audioBefore.time : 0)).toFixed(2)} s in 2 s` : "none");

  const titled = await waitFor(page, () => /^we luv you! - fps: [0-9]+$/.test(document.title), 5000);
  result("the title shows the frame rate", titled, await page.title());

  await sleep(Math.max(0, 22000 - (Date.now() - clickedAt)));
  const share = await redShareInMiddle(page);
  result("the red heart is in the middle at 22 s", share >= 0.5, `${(share * 100).toFixed(0)} % red`);

  // The browser's Escape may first leave full screen.
  const audio = await page.evaluateHandle(() => Module.webAudio.context);
  await page.keyboard.press("Escape");
  let ended = await waitFor(page, () => window.tessalinePage.state === "ended", 3000);
  if (!ended) {
    await page.keyboard.press("Escape");
    ended = await waitFor(page, () => window.tessalinePage.state === "ended", 5000);
  }
  let contextState = await audio.evaluate((context) => context.state);
  for (let i = 0; i < 50 && contextState !== "closed"; ++i) {
    await sleep(100);
    contextState = await audio.evaluate((context) => context.state);
  }
  result("Escape stops the music", ended && contextState === "closed", `page ${ended ? "ended" : "still playing"}, audio ${contextState}`);

  result("no page errors, console errors or failed requests", problems.length === 0, problems.slice(0, 5).join("; "));
} catch (error) {
  result("the check ran to its end", false, String(error.message || error));
} finally {
  await browser.close();
}
console.log(`web-check: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
