// The page in a real browser: Debian's chromium driven by puppeteer-core,
// the page served from build/web by a static server on 127.0.0.1 that this
// test starts and stops. Checks that the page loads with no console error
// and shows its first result within a second; that routes typed, picked
// and held in the address give the figures `sailings route --compare` gives
// (the same text); that a refused position shows the command line's reason
// beside its field and no stale result; that every download holds the bytes
// the command line writes for the same request (the RTZ valid against the
// RTZ 1.0 schema); that a plan kept at sea gives the legs and notes of
// `sailings voyage --sea`, its coastline fetched only then; and, on screenshots at desktop and phone width kept in
// the output folder, that the chart is drawn and its great ellipse lies
// where the map puts it. The working chart itself: chart_test.mjs.
//
// usage: node page_test.mjs <sailings program> <build/web> <source folder> <output folder>
import {execFileSync} from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import {createRequire} from "node:module";
import {PNG} from "pngjs";
import {commandLine, csv, navigatorRow, openBrowser} from "./browser.mjs";

const [program, web, source, output] = process.argv.slice(2).map((a) => path.resolve(a));
fs.mkdirSync(output, {recursive: true});
let failures = 0;
const fail = (what) => { failures += 1; console.log("FAIL: " + what); };
const check = (ok, what) => { if (!ok) fail(what); };

const {work, cli} = commandLine(program, source, output);
// A waypoint as the page takes it: a place, or latitude and longitude split
// at a comma or at the last blank.
const places = fs.readFileSync(path.join(source, "data", "input.txt"), "utf8").split(/\r?\n/).map((l) => l.split("\t")[0]);
function args(typed) {
  if (places.includes(typed)) return [typed];
  const at = typed.includes(",") ? typed.indexOf(",") : typed.lastIndexOf(" ");
  return [typed.slice(0, at).trim(), typed.slice(at + 1).trim()];
}
const {base, browser, page, errors, asked, open, close} = await openBrowser(web);
try {
  // The page with the WebAssembly, the land, the place list and the map
  // library: under 1.7 MB (the coastline of sea passages comes only when a
  // plan stays at sea).
  const bytes = fs.readdirSync(web).filter((f) => f !== "coast_10m.bin" && f !== "links.bin")
    .reduce((n, f) => n + fs.statSync(path.join(web, f)).size, 0);
  console.log(`the page is ${bytes} bytes`);
  check(bytes < 1.7e6, `the page is ${bytes} bytes`);

  // Opening the page: its first result within a second (the best of three
  // openings, so that a busy moment of the machine does not count).
  let firstResult = Infinity;
  for (let i = 0; i < 3; ++i) {
    await page.goto("about:blank");
    const started = Date.now();
    await page.goto(base, {waitUntil: "load"});
    await page.waitForSelector("#chart svg", {timeout: 20000});
    firstResult = Math.min(firstResult, Date.now() - started);
  }
  console.log(`first result in ${firstResult} ms`);
  check(firstResult < 1000, `the first result took ${firstResult} ms`);

  // Every figure of a route, as the page shows it: the texts in order.
  const shown = () => page.$$eval("#figures td:nth-child(2)", (tds) => tds.map((t) => t.textContent));
  const routes = [
    ["Cape Town", "Sydney", "50"], ["Yokohama", "San Francisco", ""], ["Auckland", "Honolulu", ""],
    ["Rotterdam", "New York", ""], ["Reykjavik", "Anchorage", ""], ["Ushuaia", "Cape Horn", ""],
    ["Singapore", "Rio de Janeiro", ""], ["Balboa", "Suva", ""], ["Lisbon", "Mumbai", ""],
    ["Valparaiso", "Fremantle", "55"], ["Dakar", "Hong Kong", ""], ["Buenos Aires", "Cape Town", "45"],
    ["0 0", "0 90", ""], ["90N 0", "10N 40E", ""], ["60N 10E", "60N 170W", ""], ["0 0", "0 180", ""],
    ["35°26.6'N, 139°38.3'E", "37°48.5'N, 122°25.1'W", ""], ["-36.85 174.76", "21.31 -157.86", ""],
    ["10:30:15S 20:15E", "45N 20:15E", ""], ["89.5N 100W", "89.5N 80E", ""]];
  for (const [from, to, limit] of routes) {
    const q = new URLSearchParams({from, to});
    if (limit) q.set("limit", limit);
    await open(q.toString());
    const want = cli(["route", ...args(from), ...args(to), "--compare", "--full", "--csv", ...(limit ? ["--limit", limit] : [])]);
    const got = await shown();
    const expected = csv(want.out).rows[0].map((v) => (v === "" ? "–" : v));
    check(JSON.stringify(got) === JSON.stringify(expected), `${from} to ${to}: ${got.slice(0, 4)} vs ${expected.slice(0, 4)}`);
    // (As a navigator reads them: the figures at one decimal.)
    const one = cli(["route", ...args(from), ...args(to), "--compare", "--full", "--csv", "-p", "1", ...(limit ? ["--limit", limit] : [])]);
    const c = csv(one.out), f = Object.fromEntries(c.names.map((n, i) => [n, c.rows[0][i]]));
    // The sailings side by side: each one's distance, initial and final course.
    const side = [["great ellipse", f.ge_distance_nm, f.ge_azimuth_fwd, f.ge_course_final],
                  ["rhumb line", f.rhumb_distance_nm, f.rhumb_course, f.rhumb_course],
                  ["geodesic", f.geodesic_nm, f.geodesic_azimuth_fwd, f.geodesic_azimuth_final],
                  ["great circle (sphere)", f.sphere_nm, f.sphere_course, f.sphere_course_final]];
    if (f.composite === "true") side.push(["composite track", f.composite_nm, f.ge1_course, f.composite_course_final]);
    const rows = await page.$$eval("#comparison tbody tr", (trs) => trs.map((r) => [...r.children].slice(0, 4).map((x) => x.textContent)));
    check(JSON.stringify(rows) === JSON.stringify(side), `${from} to ${to}, side by side: ${JSON.stringify(rows)}`);
  }
  // Typed, and picked from the list.
  await open("from=Lisbon&to=Dakar");
  // Typing: the plan is worked out after a pause in typing.
  const settled = () => page.waitForFunction(() => !document.body.dataset.pending, {timeout: 60000});
  const type = async (id, text) => {
    await page.$eval(id, (e) => { e.value = ""; });
    await page.type(id, text);
    await settled();
  };
  await type("#wp1", "38°42'N, 9°08'W");
  await type("#wp2", "Rio de Janeiro");
  const typed = cli(["route", "38°42'N", "9°08'W", "Rio de Janeiro", "--compare", "--full", "--csv"]);
  check(JSON.stringify(await shown()) === JSON.stringify(csv(typed.out).rows[0].map((v) => (v === "" ? "–" : v))),
        "typed and picked waypoints");
  check(decodeURIComponent(await page.evaluate(() => location.hash)).includes("from=38°42'N,+9°08'W"), "the plan in the address");

  // A voyage made by hand: a waypoint added, moved up, and removed again
  // (every figure in full, as the command line prints them).
  await open("from=Yokohama&to=San+Francisco&shown=full");
  await page.click("#add");
  await page.type("#wp3", "Honolulu");
  await page.click("#waypoints li:nth-child(3) .up");
  const legs = await page.$$eval("#comparison tbody tr", (rows) => rows.map((r) => [...r.children].map((c) => c.textContent)));
  const voyage = csv(cli(["voyage", "Yokohama", "Honolulu", "San Francisco", "--csv"]).out).rows.map((r) => r.map((v) => (v === "" ? "–" : v)));
  check(JSON.stringify(legs) === JSON.stringify(voyage), `the voyage's legs: ${JSON.stringify(legs)} vs ${JSON.stringify(voyage)}`);
  check(decodeURIComponent(await page.evaluate(() => location.hash)).includes("via=Honolulu"), "the waypoint between in the address");
  await page.click("#waypoints li:nth-child(2) .remove");
  check((await page.$$eval("#waypoints input.place", (i) => i.map((e) => e.value))).join("|") === "Yokohama|San Francisco",
        "a waypoint removed");
  check(await page.$eval("#comparison", (e) => e.textContent.includes("great circle (sphere)")), "the route's comparison again");

  // Staying at sea: the coastline is fetched when the switch is first
  // turned on (never for the plans above), and the legs and the notes are
  // those of the command line.
  check(!asked.some((u) => u.endsWith("coast_10m.bin") || u.endsWith("links.bin")), "the coastline fetched before a plan stayed at sea");
  await open("from=Rotterdam&to=Lisbon&shown=full");
  await page.click("#sea");
  await page.waitForFunction(() => document.body.dataset.coast === "1" && document.querySelector("#notes li"), {timeout: 60000});
  // (The same legs, names and figures; a figure may differ by one unit in
  // its last decimal where the browser's trigonometry and the machine's
  // differ in the last bit and the value lies on a rounding boundary.)
  const sameLegs = (got, want) => got.length === want.length && got.every((row, i) => row.length === want[i].length &&
    row.every((v, j) => v === want[i][j] || (/^-?[0-9.]+$/.test(v) && /^-?[0-9.]+$/.test(want[i][j]) &&
      v.length === want[i][j].length && Math.abs(Number(v) - Number(want[i][j])) <= 1.5e-6)));
  const seaLegs = await page.$$eval("#comparison tbody tr", (rows) => rows.map((r) => [...r.children].map((c) => c.textContent)));
  const seaRun = cli(["voyage", "Rotterdam", "Lisbon", "--sea", "--csv"]);
  const seaWant = csv(seaRun.out).rows.map((r) => r.map((v) => (v === "" ? "–" : v)));
  check(seaLegs.length > 3 && sameLegs(seaLegs, seaWant),
        `the sea passage's legs: ${JSON.stringify(seaLegs).slice(0, 300)} vs ${JSON.stringify(seaWant).slice(0, 300)}`);
  const notes = await page.$$eval("#notes li", (li) => li.map((l) => l.textContent));
  const cliNotes = seaRun.err.trim().split("\n").map((l) => l.replace(/^note: --sea: /, ""));
  check(JSON.stringify(notes) === JSON.stringify(cliNotes), `the sea passage's notes: ${notes} vs ${cliNotes}`);
  check(decodeURIComponent(await page.evaluate(() => location.hash)).includes("sea=1"), "staying at sea in the address");
  // A clearance typed: the legs of `--clearance 7`. (Not 5: there the way
  // round Cabo da Roca takes one of two shapes 1 km apart as the clearance
  // changes by a millionth of a mile, and the browser's trigonometry and
  // the machine's may fall on either side.)
  await type("#clearance", "7");
  await page.waitForFunction(() => document.querySelector("#comparison tbody tr"), {timeout: 60000});
  const wider = await page.$$eval("#comparison tbody tr", (rows) => rows.map((r) => [...r.children].map((c) => c.textContent)));
  const widerWant = csv(cli(["voyage", "Rotterdam", "Lisbon", "--sea", "--clearance", "7", "--csv"]).out).rows
    .map((r) => r.map((v) => (v === "" ? "–" : v)));
  check(wider.length > 3 && sameLegs(wider, widerWant), "the sea passage at 7 NM");

  // The land check: beside each sailing of a route, and each leg of a
  // voyage, where it first crosses land, as `--land` says.
  await open("from=Rotterdam&to=Lisbon&land=1&shown=full");
  await page.waitForFunction(() => document.querySelector("#comparison thead th:nth-child(5)"), {timeout: 60000});
  // (The JSON's text of each pair, "[51.672995,4.125741]", or null.)
  const landJson = cli(["route", "Rotterdam", "Lisbon", "--compare", "--full", "--land", "--json"]).out;
  const near = (key) => {
    const m = landJson.match(new RegExp(`"${key}":(null|\\[([^\\]]*)\\])`));
    return m && m[2] ? "crosses near " + m[2].replace(",", ", ") : "clear";
  };
  const landCells = await page.$$eval("#comparison tbody tr", (trs) => trs.map((r) => r.children[4].textContent));
  check(JSON.stringify(landCells) === JSON.stringify([near("ge_crosses_land"), near("rhumb_crosses_land"), "–", "–"]) &&
        landCells[0].startsWith("crosses near"), `the route's land: ${landCells}`);
  await open("from=Rotterdam&via=Lisbon&to=Dakar&land=1");
  await page.waitForFunction(() => [...document.querySelectorAll("#comparison thead th")].some((t) => t.textContent === "land"), {timeout: 60000});
  const legLand = await page.$$eval("#comparison tbody tr", (trs) => trs.map((r) => r.lastElementChild.textContent));
  const warned = cli(["voyage", "Rotterdam", "Lisbon", "Dakar", "--land", "--csv"]).err.trim().split("\n")
    .map((l) => "crosses near " + l.replace(/^.* crosses land near (.*) \(1:10m coastline\)$/, "$1"));
  check(JSON.stringify(legLand) === JSON.stringify(warned), `the voyage's land: ${legLand} vs ${warned}`);
  await open("from=Yokohama&to=San+Francisco");

  // A refused position: the reason beside the field; the last result stays,
  // marked out of date, its downloads disabled, until the plan reads again.
  const before = await page.$eval("#comparison", (e) => e.textContent);
  await type("#wp1", "95N 10E");
  const reason = await page.$eval("#wp1-error", (e) => e.textContent);
  const refused = cli(["route", "95N", "10E", "Dakar"]);
  check(refused.status === 1 && refused.err.trim() === "ERROR: " + reason, `refusal '${reason}' vs '${refused.err}'`);
  check(await page.$eval("#results", (e) => e.classList.contains("stale")) &&
        await page.$eval("#stale-note", (e) => !e.hidden) &&
        await page.$eval("#comparison", (e) => e.textContent) === before &&
        await page.$$eval("#downloads button", (b) => b.every((x) => x.disabled)),
        "a refused plan keeps the last result, marked out of date, downloads disabled");
  await type("#wp1", "Yokohama");
  check(await page.$eval("#results", (e) => !e.classList.contains("stale")) &&
        await page.$$eval("#downloads button", (b) => b.every((x) => !x.disabled)), "the result current again");
  // A name of two words not in the list: no place of that name.
  await type("#wp1", "Dover Strait");
  const dover = await page.$eval("#wp1-error", (e) => e.textContent);
  check(dover === "no place named 'Dover Strait', and not a latitude and a longitude", `Dover Strait: '${dover}'`);

  // What cannot be computed together: not offered, or said in one sentence
  // beside the control (never the command line's usage text).
  await open("from=Cape+Town&to=Sydney&limit=50&placement=leg&count=1000&sailing=rhumb");
  const why = await page.$eval("#sailing-why", (e) => e.textContent);
  check(/^With a limiting latitude [^\n]*\.$/.test(why) && !/usage|--/.test(why) && await page.$eval("#error", (e) => e.textContent === ""),
        `rhumb line with a limit: '${why}'`);
  check(await page.$eval("#sailing", (s) => [...s.options].filter((o) => o.disabled).map((o) => o.value).join()) === "rhumb,geodesic",
        "the rhumb line and the geodesic not offered with a limit");
  await open("from=Cape+Town&to=Sydney&limit=50&placement=longitudes&count=10");
  check(/^With a limiting latitude/.test(await page.$eval("#placement-why", (e) => e.textContent)) &&
        await page.$eval("#placement option[value=longitudes]", (o) => o.disabled), "steps of longitude with a limit");
  await open("from=Cape+Town&to=Sydney&placement=longitudes&count=10&sailing=geodesic");
  check(/^Equal steps of longitude are placed on the great ellipse/.test(await page.$eval("#sailing-why", (e) => e.textContent)),
        "the geodesic at equal steps of longitude");
  await open("from=Cape+Town&to=Sydney&placement=points&count=10&sailing=geodesic");
  check(await page.$eval("#sailing-why", (e) => e.textContent === "") && !!(await page.$("#table tbody tr")) &&
        await page.$eval("#sailing", (s) => [...s.options].every((o) => !o.disabled)), "without a limit every sailing is offered");

  // A long table: typing is never held up, the rows are shown a page at a
  // time, the downloads hold them all.
  await open("from=Cape+Town&to=Sydney&placement=points&count=10");
  await page.$eval("#count", (e) => { e.value = ""; });
  const typing = Date.now();
  await page.type("#count", "100000");
  const typed100k = Date.now() - typing;
  console.log(`typing 100000: ${typed100k} ms`);
  check(typed100k < 1500, `typing 100000 took ${typed100k} ms`);
  await settled();
  check(await page.$$eval("#table tbody tr", (r) => r.length) === 100 &&
        await page.$eval("#rows-shown", (e) => e.textContent) === "rows 1–100 of 100002", "the first page of a long table");
  await page.click("#next");
  check(await page.$eval("#table tbody tr td", (e) => e.textContent) === "100", "the next page of a long table");

  // Buttons that say which waypoint, and the focus kept where the hand is.
  await open("from=Yokohama&via=Honolulu&to=San+Francisco");
  await page.focus("#waypoints li:nth-child(3) .up");
  await page.keyboard.press("Enter");
  check(await page.evaluate(() => document.activeElement.getAttribute("aria-label")) === "Move waypoint 2 up" &&
        await page.evaluate(() => document.activeElement.closest("li").querySelector("input.place").value) === "San Francisco",
        "the focus stays with the waypoint moved up");
  await page.focus("#waypoints li:nth-child(2) .remove");
  await page.keyboard.press("Space");
  check(await page.evaluate(() => document.activeElement.id) === "wp2", "the focus after a removal");
  check(await page.$$eval("#waypoints .remove", (b) => b.every((x) => x.disabled)), "the last two waypoints cannot be removed");

  // Nothing silent: speed without a table, a voyage's every figure, a value
  // the address holds that the page does not offer, a refused download.
  await open("from=Lisbon&to=Dakar&speed=12");
  check(/^Speed and departure give times/.test(await page.$eval("#status", (e) => e.textContent)), "speed without a table said");
  await page.click('#downloads button[data-file="gpx"]');
  const refusedGpx = await page.$eval("#download-error", (e) => e.textContent);
  check(refusedGpx === "GPX and RTZ hold a table: choose how waypoints are placed", `the GPX refusal beside the button: ${refusedGpx}`);
  await open("from=Lisbon&via=Dakar&to=Rio+de+Janeiro");
  check(await page.$$eval("#figures tbody tr", (r) => r.length) === 2, "every figure of a voyage");
  await open("from=Lisbon&to=Dakar&sailing=orthodrome");
  check(/sailing 'orthodrome' is not one this page offers/.test(await page.$eval("#address-why", (e) => e.textContent)),
        "a value of the address the page does not offer said");
  await open("from=Yokohama&to=San+Francisco");

  // Downloads: the bytes the command line writes.
  const session = await browser.target().createCDPSession();
  const finished = new Map();  // guid -> state
  session.on("Browser.downloadProgress", (e) => { if (e.state !== "inProgress") finished.set(e.guid, e.state); });
  const plans = [
    ["from=Cape+Town&to=Sydney&limit=50&speed=14&depart=2027-01-15T06:00Z&placement=leg&count=1000",
     ["table", "Cape Town", "Sydney", "--leg", "1000", "--limit", "50", "--speed", "14", "--depart", "2027-01-15T06:00Z"]],
    ["from=Yokohama&via=Honolulu&to=San+Francisco&speed=14&placement=xtd&count=1",
     ["voyage", "Yokohama", "Honolulu", "San Francisco", "--speed", "14", "--xtd", "1"]]];
  for (const [hash, command] of plans) {
    await open(hash);
    for (const kind of ["gpx", "rtz", "csv", "json", "svg", "geojson", "kml", "nmea"]) {
      const downloads = fs.mkdtempSync(path.join(output, "download-"));
      await session.send("Browser.setDownloadBehavior", {behavior: "allow", downloadPath: downloads, eventsEnabled: true});
      const file = path.join(downloads, "passage." + kind);
      const before = finished.size;
      await page.click(`#downloads button[data-file="${kind}"]`);
      for (let i = 0; i < 400 && finished.size === before; ++i) await new Promise((ok) => setTimeout(ok, 50));
      const voyageTable = command[0] === "voyage" ? ["--waypoints"] : [];
      let want;
      if (kind === "csv" || kind === "json") {
        want = Buffer.from(cli([...command, ...voyageTable, "--" + kind]).out);
      } else {
        const target = path.join(work, "passage." + kind);
        fs.rmSync(target, {force: true});
        cli([...command, "--" + kind, target]);
        want = fs.readFileSync(target);
      }
      check(fs.existsSync(file) && Buffer.compare(fs.readFileSync(file), want) === 0, `${command[0]} download ${kind}`);
      if (kind === "rtz" && fs.existsSync(file)) {
        try {
          execFileSync("xmllint", ["--noout", "--nonet", "--schema", path.join(source, "tests", "data", "rtz-1_0.xsd"), file], {stdio: "pipe"});
        } catch (e) { fail("the RTZ download is not valid RTZ 1.0: " + e.stderr); }
      }
    }
  }

  // A plan's name: the downloads are named by it, and the RTZ's routeName
  // is it, as `--rtz "NAME.rtz"` writes (a slash made "_").
  {
    await open("from=Cape+Town&to=Sydney&placement=leg&count=1000&name=Cape%2FSydney+2027");
    const downloads = fs.mkdtempSync(path.join(output, "download-"));
    await session.send("Browser.setDownloadBehavior", {behavior: "allow", downloadPath: downloads, eventsEnabled: true});
    const before = finished.size;
    await page.click('#downloads button[data-file="rtz"]');
    for (let i = 0; i < 400 && finished.size === before; ++i) await new Promise((ok) => setTimeout(ok, 50));
    const file = path.join(downloads, "Cape_Sydney 2027.rtz");
    const target = path.join(work, "Cape_Sydney 2027.rtz");
    cli(["table", "Cape Town", "Sydney", "--leg", "1000", "--rtz", target]);
    check(fs.existsSync(file) && Buffer.compare(fs.readFileSync(file), fs.readFileSync(target)) === 0 &&
          fs.readFileSync(file, "utf8").includes('routeName="Cape_Sydney 2027"'), "the plan's name on its RTZ download");
  }

  // On paper (A4, as printed): the plan's name and settings, every column
  // of the legs and of the waypoints, no form; read back by pdftotext.
  {
    await open("from=Rotterdam&via=50N+5.2W&to=New+York&speed=14&depart=2027-03-01T08:00Z&placement=points&count=3&name=Spring+crossing");
    const pdf = path.join(output, "plan.pdf");
    await page.pdf({path: pdf, format: "A4"});
    // (Its pages as pictures, to be looked at.)
    execFileSync("pdftoppm", ["-png", "-r", "60", pdf, path.join(output, "plan")]);
    const text = execFileSync("pdftotext", ["-layout", pdf, "-"], {encoding: "utf8"});
    const legs = csv(cli(["voyage", "Rotterdam", "50N", "5.2W", "New York", "--speed", "14", "--depart", "2027-03-01T08:00Z",
                          "--points", "3", "--csv"]).out);
    const rows = csv(cli(["voyage", "Rotterdam", "50N", "5.2W", "New York", "--speed", "14", "--depart", "2027-03-01T08:00Z",
                          "--points", "3", "--waypoints", "--csv"]).out);
    const missing = [...legs.names, ...rows.names].filter((n) => !text.includes(n));
    // (As a navigator reads them.)
    const legs1 = csv(cli(["voyage", "Rotterdam", "50N", "5.2W", "New York", "--speed", "14", "--depart", "2027-03-01T08:00Z",
                           "--points", "3", "--csv", "-p", "1"]).out);
    const rows1 = csv(cli(["voyage", "Rotterdam", "50N", "5.2W", "New York", "--speed", "14", "--depart", "2027-03-01T08:00Z",
                           "--points", "3", "--waypoints", "--csv", "-p", "1"]).out);
    const last = (t) => t.rows[t.rows.length - 1];
    const lastLeg = navigatorRow(legs.names, last(legs), last(legs1)).map((v) => (v === "–" ? "" : v));
    const lastRow = navigatorRow(rows.names, last(rows), last(rows1)).map((v) => (v === "–" ? "" : v));
    check(missing.length === 0, `printed columns missing: ${missing}`);
    check(lastLeg.every((v) => !v || text.includes(v)) && lastRow.every((v) => !v || text.includes(v)),
          `the last leg and row on paper: ${lastLeg} | ${lastRow}`);
    check(text.includes("Spring crossing") && text.includes("14 kn") && !text.includes("Add a waypoint") && !text.includes("GeoJSON"),
          "the printed plan's name and settings, and no form");
  }

  // Plans kept in the browser: kept by name, listed after a reload, opened,
  // deleted.
  {
    await open("from=Lisbon&to=Dakar&placement=points&count=4&name=Trade+wind+run");
    await page.click("#save");
    await page.reload({waitUntil: "load"});
    await page.waitForFunction(() => document.body.dataset.ready);
    await page.goto(base + "#from=Yokohama&to=San+Francisco", {waitUntil: "load"});
    await page.waitForFunction(() => document.body.dataset.ready);
    check(await page.$$eval("#saved a", (a) => a.map((x) => x.textContent).join()) === "Trade wind run", "the kept plan listed");
    await page.click("#saved a");
    await page.waitForFunction(() => document.querySelector("#wp1").value === "Lisbon" && !document.body.dataset.pending);
    check(await page.$eval("#name", (e) => e.value) === "Trade wind run" && await page.$eval("#count", (e) => e.value) === "4",
          "the kept plan opened");
    await page.click("#saved button");
    check(await page.$$eval("#saved li", (l) => l.length) === 0, "the kept plan deleted");
  }

  // Offline once opened: the page reloads with no network and computes.
  {
    await open("from=Yokohama&to=San+Francisco");
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.reload({waitUntil: "load"});  // (now under the worker, every file of the page cached)
    await page.waitForFunction(() => document.body.dataset.ready);
    await page.setOfflineMode(true);
    await page.goto(base + "#from=Auckland&to=Honolulu&shown=full", {waitUntil: "load"});
    let offline = true;
    try { await page.waitForSelector("#chart svg", {timeout: 20000}); } catch { offline = false; }
    check(offline && (await page.$eval("#comparison", (e) => e.textContent)).includes("3806.775638"), "the page offline");
    await page.setOfflineMode(false);
  }

  // A route file opened: the legs of `sailings voyage --route FILE`, names
  // and all; a file refused: the command line's reason beside the field.
  {
    const gpx = path.join(work, "crossing.gpx");
    cli(["voyage", "Rotterdam", "50N", "5.2W", "New York", "--sailing", "rhumb", "--gpx", gpx]);
    await open("from=Lisbon&to=Dakar");
    const input = await page.$("#open-file");
    await input.uploadFile(gpx);
    await page.waitForFunction(() => document.querySelector("#file-note").textContent !== "" && !document.body.dataset.pending);
    const got = await page.$$eval("#comparison tbody tr", (rows) => rows.map((r) => [...r.children].map((c) => c.textContent)));
    const full = csv(cli(["voyage", "--route", gpx, "--csv"]).out), one = csv(cli(["voyage", "--route", gpx, "--csv", "-p", "1"]).out);
    const want = full.rows.map((r, i) => navigatorRow(full.names, r, one.rows[i]));
    check(want.length === 2 && JSON.stringify(got) === JSON.stringify(want), `the opened file's legs: ${JSON.stringify(got).slice(0, 200)}`);
    check(await page.$$eval("#waypoints input.place", (i) => i.length) === 3, "the opened file's waypoints shown");
    const bad = path.join(work, "bad.gpx");
    // (The command line's own file with its first latitude made 95.)
    fs.writeFileSync(bad, fs.readFileSync(gpx, "utf8").replace(/lat="[^"]*"/, 'lat="95"'));
    await input.uploadFile(bad);
    await page.waitForFunction(() => document.querySelector("#file-why").textContent !== "");
    const refusedFile = cli(["voyage", "--route", bad, "--csv"]);
    const why = await page.$eval("#file-why", (e) => e.textContent);
    check(refusedFile.status !== 0 && why === "bad.gpx: " + refusedFile.err.trim().split("\n")[0].replace(/^ERROR: /, "").split(bad).join("bad.gpx"),
          `the refused file: '${why}' vs '${refusedFile.err}'`);
  }

  // Accessibility: axe-core (npm) finds no serious or critical violation on
  // a route, a voyage with its table, and a refused plan, at both widths.
  {
    const axe = fs.readFileSync(createRequire(import.meta.url).resolve("axe-core/axe.min.js"), "utf8");
    for (const [width, height] of [[1280, 900], [390, 844]]) {
      await page.setViewport({width, height});
      for (const hash of ["from=Cape+Town&to=Sydney&limit=50", "from=Yokohama&via=Honolulu&to=San+Francisco&speed=14&placement=points&count=3",
                          "from=95N+10E&to=Dakar"]) {
        await open(hash);
        await page.evaluate(axe);
        const found = await page.evaluate(async () => (await window.axe.run(document, {resultTypes: ["violations"]})).violations
          .filter((v) => v.impact === "serious" || v.impact === "critical").map((v) => `${v.id}: ${v.nodes.length} (${v.nodes[0].target})`));
        check(found.length === 0, `${width} px, ${hash}: ${found.join("; ")}`);
      }
    }
    // Fingers: on the phone every button and field at least 44 px high.
    const small = await page.$$eval("button, input:not([type=checkbox]), select", (all) => all
      .filter((e) => e.offsetParent && e.getBoundingClientRect().height < 43.5).map((e) => e.id || e.className || e.textContent));
    check(small.length === 0, `controls under 44 px on the phone: ${small.slice(0, 5)}`);
    await page.setViewport({width: 1280, height: 900});
  }

  // Screenshots: the chart drawn, its great ellipse where the map puts it.
  for (const [name, width, height] of [["desktop", 1280, 900], ["phone", 390, 844]]) {
    await page.setViewport({width, height});
    await open("from=Yokohama&to=San+Francisco&placement=points&count=5");
    await page.$eval("#chart", (e) => e.scrollIntoView());
    const file = path.join(output, `page-${name}.png`);
    await page.screenshot({path: file});
    await page.screenshot({path: path.join(output, `page-${name}-whole.png`), fullPage: true});
    const png = PNG.sync.read(fs.readFileSync(file));
    const at = (x, y) => { const i = (png.width * Math.round(y) + Math.round(x)) * 4; return png.data.slice(i, i + 3); };
    const box = await page.$eval("#chart", (s) => { const r = s.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; });
    const colours = new Set();
    for (let y = box[1]; y < Math.min(png.height, box[1] + box[3]); y += 4) {
      for (let x = box[0]; x < box[0] + box[2]; x += 4) colours.add(at(x, y).join(","));
    }
    check(colours.size > 20, `${name}: the chart is blank (${colours.size} colours)`);
    // Points along the great ellipse's path (red), in the screenshot's pixels.
    // (Vertices of the great ellipse's line, where the map projects them.)
    const points = await page.evaluate(() => {
      const box = document.getElementById("chart").getBoundingClientRect(), out = [];
      chart.tracks.eachLayer((l) => {
        if (!l.options.className.includes("track-great-ellipse")) return;
        const ll = l.getLatLngs();
        for (let k = 1; k < 40; ++k) {
          const p = chart.map.latLngToContainerPoint(ll[Math.floor((k * (ll.length - 1)) / 40)]);
          out.push([box.left + p.x, box.top + p.y]);
        }
      });
      return out;
    });
    check(points.length > 0, `${name}: no great ellipse in the chart`);
    let missed = 0;
    for (const [x, y] of points) {
      if (y < 0 || y >= png.height - 2) continue;
      let red = false;
      for (let dy = -2; dy <= 2; ++dy) {
        for (let dx = -2; dx <= 2; ++dx) {
          const [r, g, b] = at(x + dx, y + dy);
          if (r > g + 40 && r > b + 40) red = true;  // the red of the great ellipse, anti-aliased
        }
      }
      if (!red) missed += 1;
    }
    // (A waypoint's dot or a label may cover a point or two.)
    check(missed <= 3, `${name}: ${missed} of ${points.length} points of the great ellipse not drawn red`);
    await open("from=Rotterdam&via=50N+5.2W&via=49.8N+6.55W&to=New+York&leg=rhumb:10&leg=:12&leg=:16&speed=14&depart=2027-03-01T08:00Z");
    await page.screenshot({path: path.join(output, `voyage-${name}-whole.png`), fullPage: true});
  }
  check(errors.length === 0, "console errors: " + errors.join(" | "));
} finally {
  await close();
}
console.log(failures ? `page: ${failures} failed` : "page: all passed");
process.exit(failures ? 1 : 0);
