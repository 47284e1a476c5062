// The page around the show: fetches the data into the show's file system,
// loads tessaline.js/.wasm, opens the show's window (the canvas) at once and
// waits for the click that may start sound: that click starts the music, the
// show and full screen together. Escape ends the show; a click plays it again.
//
// Where the show cannot start (a data file it could not load, a box it would
// have shown), what it wrote to standard error is said in the page, and
// nothing plays.
// window.tessalinePage tells a test where the page stands.
"use strict";
(() => {
  const stage = document.getElementById("stage");
  const canvas = document.getElementById("canvas");
  const cover = document.getElementById("cover");
  const note = document.getElementById("note");
  const page = { state: "loading", clickMs: 0, firstFrameMs: 0, complaints: [] };
  window.tessalinePage = page;

  const say = (text) => { note.textContent = text; };
  const fail = (lines) => {
    page.state = "failed";
    cover.classList.add("failed");
    cover.style.display = "";
    say(lines.join("\n"));
  };

  const probe = document.createElement("canvas");
  if (!(probe.getContext("webgl") || probe.getContext("experimental-webgl"))) {
    fail(["This browser gives the page no WebGL, which the show draws with.",
          "Turn on hardware acceleration (or WebGL) in its settings, or try another browser."]);
    return;
  }

  // The data files named in files.json, fetched before the show starts; a
  // missing one is left out, and the show's own loading then names it.
  const fetchData = async () => {
    const list = await fetch("files.json").then((r) => {
      if (!r.ok) throw new Error(`files.json: HTTP ${r.status}`);
      return r.json();
    });
    const files = await Promise.all(list.map(async (path) => {
      const r = await fetch(path);
      return r.ok ? [path, new Uint8Array(await r.arrayBuffer())] : [path, null];
    }));
    for (const [path, bytes] of files) {
      if (bytes === null) continue;
      Module.FS.mkdirTree(path.substring(0, path.lastIndexOf("/")));
      Module.FS.writeFile(path, bytes);
    }
  };

  window.Module = {
    canvas,
    print: () => {},
    printErr: (line) => { page.complaints.push(line); },
    preRun: [() => {
      Module.addRunDependency("data");
      fetchData().then(() => Module.removeRunDependency("data"),
                       (error) => fail([String(error.message || error)]));
    }],
    onRuntimeInitialized: () => {
      if (page.state === "failed") return;
      if (Module._tessalineOpen() !== 0) {
        fail(page.complaints.length > 0 ? page.complaints : ["The show could not start."]);
        return;
      }
      page.state = "ready";
      say("click to play");
    },
    onAbort: (what) => fail([...page.complaints, `The show stopped: ${what}`]),
    onExit: () => fail(page.complaints.length > 0 ? page.complaints : ["The show could not start."]),
    onFirstFrame: () => { page.firstFrameMs = performance.now(); },
    onShowEnded: () => {
      page.state = "ended";
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
      cover.style.display = "";
      say("The show has ended. Click to play it again.");
    },
  };

  cover.addEventListener("click", () => {
    if (page.state !== "ready" && page.state !== "ended") return;
    page.clickMs = performance.now();
    page.firstFrameMs = 0;
    if (stage.requestFullscreen) stage.requestFullscreen().catch(() => {});
    page.complaints.length = 0;
    try {
      Module._tessalinePlay();
    } catch (error) {
      if (page.state !== "failed") fail([...page.complaints, String(error)]);
      return;
    }
    page.state = "playing";
    cover.style.display = "none";
    canvas.focus();
  });

  const script = document.createElement("script");
  script.src = "tessaline.js";
  script.onerror = () => fail(["tessaline.js: not found on the server"]);
  document.body.appendChild(script);
})();
