// The working chart in a real browser (browser.mjs): pan and zoom by the
// buttons, the keys, the wheel and a drag; a click adds a waypoint where it
// is (by Web Mercator worked from the map's bounds) and the plan becomes
// the command line's voyage through it; a waypoint dragged moves, its
// tracks redrawn as it goes; Delete and the menu remove one; the sailings
// told apart by dash pattern; the legend never over the chart; labels
// legible on a phone; a track across the 180th meridian drawn as one line;
// the land and the sea in the screenshot's pixels.
//
// usage: node chart_test.mjs <sailings program> <build/web> <source folder> <output folder>
import fs from "node:fs";
import path from "node:path";
import {PNG} from "pngjs";
import {commandLine, csv, navigatorRow, openBrowser} from "./browser.mjs";

const [program, web, source, output] = process.argv.slice(2).map((a) => path.resolve(a));
fs.mkdirSync(output, {recursive: true});
let failures = 0;
const check = (ok, what) => { if (!ok) { failures += 1; console.log("FAIL: " + what); } };
const {cli} = commandLine(program, source, output);
const {page, errors, open, close} = await openBrowser(web);

// The legs the page shows, and those of `sailings voyage` of the waypoints
// in its fields (a position split at its one blank).
const shownLegs = () => page.$$eval("#comparison tbody tr", (rows) => rows.map((r) => [...r.children].map((c) => c.textContent)));
const fields = () => page.$$eval("#waypoints input.place", (i) => i.map((x) => x.value));
const settled = () => page.waitForFunction(() => !document.body.dataset.pending && !document.body.dataset.stale);
function voyageLegs(points) {
  const args = points.flatMap((p) => (/\d/.test(p) ? p.split(" ") : [p]));
  const full = csv(cli(["voyage", ...args, "--csv"]).out), one = csv(cli(["voyage", ...args, "--csv", "-p", "1"]).out);
  return full.rows.map((r, i) => navigatorRow(full.names, r, one.rows[i]));
}
// Degrees from the navigator's notation the chart writes (35°26.6'N 139°38.3'E).
function degrees(text) {
  const m = text.match(/^(\d+)°([\d.]+)'([NS]) (\d+)°([\d.]+)'([EW])$/);
  if (!m) return null;
  return [(Number(m[1]) + m[2] / 60) * (m[3] === "S" ? -1 : 1), (Number(m[4]) + m[5] / 60) * (m[6] === "W" ? -1 : 1)];
}
const zoom = () => page.evaluate(() => chart.map.getZoom());
const still = () => new Promise((done) => setTimeout(done, 700));  // (an animation or the pan's inertia spent)
const mapBox = () => page.$eval("#chart", (e) => { const r = e.getBoundingClientRect(); return {x: r.left, y: r.top, w: r.width, h: r.height}; });

try {
  // The sailings told apart by pattern as well as colour; the legend below.
  await open("from=Lisbon&to=Dakar");
  const dashes = await page.$$eval("#chart path.track", (p) => p.map((e) => [e.getAttribute("class"), e.getAttribute("stroke-dasharray")]));
  const ge = dashes.find(([c]) => c.includes("track-great-ellipse")), rl = dashes.find(([c]) => c.includes("track-rhumb"));
  check(ge && rl && !ge[1] && rl[1] && rl[1] !== "none", `dash patterns: ${JSON.stringify(dashes)}`);
  const legend = await page.$eval("#chart-legend", (e) => { const r = e.getBoundingClientRect(); return {top: r.top, text: e.textContent}; });
  const box = await mapBox();
  check(legend.top >= box.y + box.h && /great ellipse.*rhumb line/.test(legend.text), `the legend: ${JSON.stringify(legend)}`);

  // Zoom by the button, the keys and the wheel; pan by a drag (which adds
  // no waypoint).
  let z = await zoom();
  await page.click(".leaflet-control-zoom-in");
  await still();
  check(await zoom() === z + 1, `the zoom button: ${z} to ${await zoom()}`);
  await page.focus("#chart");
  z = await zoom();
  await page.keyboard.press("-");
  await still();
  check(await zoom() < z, "the - key zooms out");
  await page.$eval("#chart", (e) => e.scrollIntoView());
  const b = await mapBox();
  z = await zoom();
  await page.mouse.move(b.x + b.w / 2, b.y + b.h / 2);
  await page.mouse.wheel({deltaY: -500});
  await still();
  check(await zoom() > z, "the wheel zooms in");
  const centre = await page.evaluate(() => chart.map.getCenter());
  await page.mouse.move(b.x + b.w / 2, b.y + b.h / 2);
  await page.mouse.down();
  for (let k = 1; k <= 10; ++k) await page.mouse.move(b.x + b.w / 2 - 10 * k, b.y + b.h / 2);
  await page.mouse.up();
  await still();
  const moved = await page.evaluate(() => chart.map.getCenter());
  check(moved.lng > centre.lng && (await fields()).length === 2, `the drag pans and adds nothing: ${centre.lng} to ${moved.lng}`);

  // A click adds a waypoint at the end, where Web Mercator puts the pixel.
  const at = {x: b.x + b.w * 0.3, y: b.y + b.h * 0.6};
  const view = await page.evaluate(() => { const v = chart.map.getBounds(); return {n: v.getNorth(), s: v.getSouth(), w: v.getWest(), e: v.getEast()}; });
  await page.mouse.click(at.x, at.y);
  await settled();
  const after = await fields();
  const merc = (lat) => Math.log(Math.tan(Math.PI / 4 + (lat * Math.PI) / 360));
  const wantLon = view.w + ((at.x - b.x) / b.w) * (view.e - view.w);
  const wantLat = (Math.atan(Math.exp(merc(view.n) - ((at.y - b.y) / b.h) * (merc(view.n) - merc(view.s)))) * 360) / Math.PI - 90;
  const got = degrees(after[2] || "");
  const pixel = (view.e - view.w) / b.w;  // degrees of longitude a pixel
  check(after.length === 3 && got && Math.abs(got[0] - wantLat) < 2 * pixel + 1 / 600 && Math.abs(got[1] - wantLon) < 2 * pixel + 1 / 600,
        `the click's waypoint: ${after[2]} vs ${wantLat.toFixed(4)} ${wantLon.toFixed(4)}`);
  check(JSON.stringify(await shownLegs()) === JSON.stringify(voyageLegs(after)), `the legs after a click: ${JSON.stringify(await shownLegs()).slice(0, 160)}`);
  check(await zoom() > z, "the view kept after a click");

  // A waypoint dragged: its field follows, the tracks redrawn as it goes,
  // the legs those of the command line once dropped.
  await open("from=Lisbon&via=36N+12W&to=Dakar");
  const mark = await page.$$eval(".wp-mark", (m) => m.map((e) => { const r = e.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; }));
  const before = await page.$eval("#chart path.track", (p) => p.getAttribute("d"));
  await page.mouse.move(mark[1][0], mark[1][1]);
  await page.mouse.down();
  for (let k = 1; k <= 12; ++k) await page.mouse.move(mark[1][0] + 6 * k, mark[1][1] - 4 * k);
  const during = await page.$eval("#chart path.track", (p) => p.getAttribute("d"));
  const times = (await page.evaluate(() => chart.redraws)).sort((x, y) => x - y);
  const redraw = times.length ? times[Math.floor(times.length / 2)] : NaN;
  await page.mouse.up();
  await settled();
  const dragged = await fields();
  console.log(`the tracks redrawn while dragging: ${times.length} times, median ${redraw.toFixed(1)} ms`);
  check(during !== before && times.length > 3, "the tracks redrawn while dragging");
  check(redraw <= 50, `a drag redrawn in ${redraw} ms (median)`);
  check(dragged.length === 3 && dragged[1] !== "36N 12W" && degrees(dragged[1]), `the dragged waypoint: ${dragged[1]}`);
  check(JSON.stringify(await shownLegs()) === JSON.stringify(voyageLegs(dragged)), "the legs after a drag");
  // The address and the downloads (what the download button writes) are
  // those of the dragged plan, as the command line writes them.
  const hash = decodeURIComponent(await page.evaluate(() => location.hash)).replace(/\+/g, " ");
  check(hash.includes("via=" + dragged[1]), `the address after a drag: ${hash}`);
  const args = dragged.flatMap((p) => (/\d/.test(p) ? p.split(" ") : [p]));
  const gpxFile = path.join(output, "dragged.gpx");
  cli(["voyage", ...args, "--gpx", gpxFile]);
  const written = await page.evaluate(() => new TextDecoder().decode(writeFile(current, "gpx").bytes));
  check(written === fs.readFileSync(gpxFile, "utf8"), "the GPX download after a drag");
  await page.screenshot({path: path.join(output, "chart-dragged.png")});

  // Delete on a waypoint removes it; the last two stay. The menu too.
  await page.focus(".wp-mark:nth-of-type(3)");
  await page.keyboard.press("Delete");
  await settled();
  check((await fields()).length === 2, `Delete removes a waypoint: ${await fields()}`);
  await page.focus(".wp-mark");
  await page.keyboard.press("Delete");
  check((await fields()).length === 2, "the last two waypoints stay");
  await open("from=Lisbon&via=36N+12W&to=Dakar");
  const m2 = await page.$$eval(".wp-mark", (m) => m.map((e) => { const r = e.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; }));
  await page.mouse.click(m2[1][0], m2[1][1], {button: "right"});
  await settled();
  check(JSON.stringify(await fields()) === JSON.stringify(["Lisbon", "Dakar"]), `the menu removes a waypoint: ${await fields()}`);

  // The land check on the chart: a mark where each track first crosses
  // land, where `--land` puts it (a route's figures; a voyage's warnings).
  await open("from=Rotterdam&to=Lisbon&land=1");
  await page.waitForFunction(() => document.querySelectorAll("#chart path.land-crossing").length, {timeout: 60000});
  const crossings = await page.evaluate(() => {
    const out = [];
    chart.marks.eachLayer((l) => { if (l.options.className === "land-crossing") out.push([l.getLatLng().lat, l.getLatLng().lng]); });
    return out;
  });
  const landJson = JSON.parse(cli(["route", "Rotterdam", "Lisbon", "--compare", "--land", "--json"]).out);
  const wantLand = [landJson.ge_crosses_land, landJson.rhumb_crosses_land].filter((x) => x);
  check(wantLand.length === 2 && JSON.stringify(crossings) === JSON.stringify(wantLand), `the land on the chart: ${JSON.stringify(crossings)} vs ${JSON.stringify(wantLand)}`);
  await open("from=Rotterdam&via=Lisbon&to=Dakar&land=1");
  await page.waitForFunction(() => document.querySelectorAll("#chart path.land-crossing").length, {timeout: 60000});
  const legMarks = await page.$$eval("#chart path.land-crossing", (p) => p.length);
  const warnings = cli(["voyage", "Rotterdam", "Lisbon", "Dakar", "--land"]).err.match(/crosses land near/g) || [];
  check(legMarks === warnings.length && legMarks === 2, `the voyage's land on the chart: ${legMarks} marks, ${warnings.length} warnings`);

  // Across the 180th meridian: one line, not two at the chart's edges.
  await open("from=Yokohama&to=San+Francisco");
  const span = await page.evaluate(() => {
    const lines = [];
    chart.tracks.eachLayer((l) => lines.push(l.getLatLngs().map((p) => p.lng)));
    return lines.map((lngs) => Math.max(...lngs.slice(1).map((x, i) => Math.abs(x - lngs[i]))));
  });
  // (A jump of the wrong way round would be near 360 degrees.)
  check(span.length === 2 && span.every((s) => s < 90), `the tracks across the 180th meridian jump: ${span}`);

  // On a phone: labels legible, and the land, the sea and the rhumb line in
  // the screenshot's pixels.
  await page.setViewport({width: 390, height: 844});
  await open("from=Lisbon&to=Dakar");
  const sizes = await page.$$eval(".wp-label, .wp-mark", (e) => e.map((x) => parseFloat(getComputedStyle(x).fontSize)));
  check(sizes.length === 4 && sizes.every((s) => s >= 12), `label sizes on a phone: ${sizes}`);
  await page.$eval("#chart", (e) => e.scrollIntoView());
  const file = path.join(output, "chart-phone.png");
  await page.screenshot({path: file});
  const png = PNG.sync.read(fs.readFileSync(file));
  const p = await mapBox();
  const seen = {land: 0, sea: 0, rhumb: 0};
  for (let y = Math.max(0, p.y); y < Math.min(png.height, p.y + p.h); y += 2) {
    for (let x = p.x; x < p.x + p.w; x += 2) {
      const i = (png.width * Math.round(y) + Math.round(x)) * 4, [r, g, bl] = png.data.slice(i, i + 3);
      if (Math.abs(r - 0xee) < 6 && Math.abs(g - 0xe4) < 6 && Math.abs(bl - 0xc8) < 6) seen.land += 1;
      if (Math.abs(r - 0xd6) < 6 && Math.abs(g - 0xea) < 6 && Math.abs(bl - 0xf8) < 6) seen.sea += 1;
      if (bl > 150 && r < 90 && g < 140) seen.rhumb += 1;
    }
  }
  check(seen.land > 500 && seen.sea > 500 && seen.rhumb > 5, `the chart's pixels: ${JSON.stringify(seen)}`);
  check(errors.length === 0, "console errors: " + errors.join(" | "));
} finally {
  await close();
}
console.log(failures ? `chart: ${failures} failed` : "chart: all passed");
process.exit(failures ? 1 : 0);
