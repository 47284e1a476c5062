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

// Shares of heart-red pixels (red well above green and blue, blue about
// level with green: the backdrop's crimsons and purples carry more blue) in
// the middle of the canvas (100x100 of 640x480, scaled) and, the most of
// four, in its corners (40x40), read from a grab of the page as shown.
const heartShares = async (page) => {
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
    const share = (x0, y0, x1, y1) => {
      const [sx, sy] = [c.width / 640, c.height / 480];
      const [x, y, w, h] = [Math.round(x0 * sx), Math.round(y0 * sy), Math.round((x1 - x0) * sx), Math.round((y1 - y0) * sy)];
      const p = g.getImageData(x, y, w, h).data;
      let red = 0;
      for (let i = 0; i < p.length; i += 4) {
        if (p[i] >= 20 && 2 * p[i + 2] <= 3 * p[i + 1] + 6 && 2 * p[i] >= 5 * Math.max(p[i + 1], p[i + 2])) ++red;
      }
      return red / (w * h);
    };
    return { middle: share(270, 190, 370, 290),
             corners: Math.max(share(0, 0, 40, 40), share(600, 0, 640, 40), share(0, 440, 40, 480), share(600, 440, 640, 480)) };
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

  // What the cues follow (the frame heard now) against what the mixer has
  // rendered: a figure for the report, not a case.
  const lead = await page.evaluate(() => {
    const audio = Module.webAudio;
    const context = audio.context;
    const stamp = context.getOutputTimestamp();
    const heard = stamp.contextTime + Math.max(0, performance.now() - stamp.performanceTime) / 1000;
    const last = audio.stamps[audio.stamps.length - 1];
    const mixedEnd = last[0] + 8192 / context.sampleRate;
    return { aheadMs: (mixedEnd - heard) * 1000, outputLatencyMs: (context.outputLatency || 0) * 1000,
             baseLatencyMs: (context.baseLatency || 0) * 1000 };
  });
  console.log(`web-check: the mixer is ${lead.aheadMs.toFixed(0)} ms ahead of what is heard ` +
    `(output latency ${lead.outputLatencyMs.toFixed(0)} ms, base ${lead.baseLatencyMs.toFixed(0)} ms); the cues follow what is heard`);

  const titled = await waitFor(page, () => /^we luv you! - fps: [0-9]+$/.test(document.title), 5000);
  result("the title shows the frame rate", titled, await page.title());

  await sleep(Math.max(0, 22000 - (Date.now() - clickedAt)));
  const heart = await heartShares(page);
  result("the red heart is in the middle at 22 s", heart.middle >= 0.5 && heart.corners <= 0.05,
    `${(heart.middle * 100).toFixed(0)} % red in the middle, ${(heart.corners * 100).toFixed(0)} % in a corner`);

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
