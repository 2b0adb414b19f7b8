// What the page's tests share: the page served from build/web by a static
// server on 127.0.0.1, Debian's chromium driven by puppeteer-core, the
// console's errors and every request watched (nothing may leave the
// server); the command line in a scratch folder holding the location list.
import {spawnSync} from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import puppeteer from "puppeteer-core";

export async function openBrowser(web) {
  const types = {".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm"};
  const server = http.createServer((req, res) => {
    // The request's path alone (no query, no fragment), as the server sees it.
    let asked;
    try { asked = decodeURIComponent(req.url.split(/[?#]/)[0]); } catch { asked = ""; }
    const file = path.join(web, asked.replace(/^\/$/, "/index.html"));
    if (!file.startsWith(web + path.sep) || !fs.existsSync(file)) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, {"Content-Type": types[path.extname(file)] || "application/octet-stream"});
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((ok) => server.listen(0, "127.0.0.1", ok));
  const base = `http://127.0.0.1:${server.address().port}/`;
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium", headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage"]});
  const page = await browser.newPage();
  const errors = [], asked = [];
  page.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
  page.on("pageerror", (e) => errors.push(e.message));
  page.on("request", (r) => {
    const url = r.url();
    asked.push(url);
    if (!url.startsWith(base) && !/^(data|blob|about):/.test(url)) errors.push("a request elsewhere: " + url);
  });
  await page.setViewport({width: 1280, height: 900});
  // Opens the page anew on a plan (a new document, not a change of address).
  async function open(hash) {
    await page.goto("about:blank");
    await page.goto(base + "#" + hash, {waitUntil: "load"});
    await page.waitForFunction(() => document.body.dataset.ready && location.hash.length > 1, {timeout: 20000});
  }
  const close = async () => { await browser.close(); server.close(); };
  return {server, base, browser, page, errors, asked, open, close};
}

// The command line run in a scratch folder of `output` holding the bundled
// location list.
export function commandLine(program, source, output) {
  const work = fs.mkdtempSync(path.join(output, "cli-"));
  fs.copyFileSync(path.join(source, "data", "input.txt"), path.join(work, "input.txt"));
  const cli = (args) => {
    const r = spawnSync(program, args, {cwd: work, encoding: "utf8", stdio: "pipe"});
    return {status: r.status, out: r.stdout, err: r.stderr};
  };
  return {work, cli};
}

export function csv(text) {
  const [head, ...rows] = text.trim().split("\n");
  return {names: head.split(","), rows: rows.map((r) => r.split(","))};
}

// How a navigator reads a table, worked independently of the page: a
// position of the command line's six decimals in degrees and decimal
// minutes; a CSV row of the command line's, its numbers from the same run at
// one decimal (`-p 1`: rounded once from the true value), its positions and
// its hours (days, hours, minutes) from the full run.
export function dm(v, lon) {
  const tenths = Math.round(Math.abs(v) * 600), deg = Math.floor(tenths / 600), min = ((tenths % 600) / 10).toFixed(1);
  return `${deg}°${min.padStart(4, "0")}'${v < 0 && tenths ? (lon ? "W" : "S") : (lon ? "E" : "N")}`;
}
export function navigatorRow(names, full, one) {
  return names.map((n, i) => {
    if (full[i] === "") return "–";
    if (/(^|_)lat$/.test(n)) return dm(Number(full[i]), false);
    if (/(^|_)lon$/.test(n)) return dm(Number(full[i]), true);
    if (n === "hours") {
      const m = Math.round(Number(full[i]) * 60), d = Math.floor(m / 1440);
      return (d ? `${d} d ` : "") + `${Math.floor((m % 1440) / 60)} h ${String(m % 60).padStart(2, "0")} min`;
    }
    return /_nm$|course|azimuth|speed_kn/.test(n) ? one[i] : full[i];
  });
}
