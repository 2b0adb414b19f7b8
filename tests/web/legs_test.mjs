// Each leg's own sailing and speed in a real browser (browser.mjs): set in
// the form, the legs are those of `sailings voyage --route` of a CSV written
// here by hand; the address keeps them and gives them back; the route CSV
// download reads back as the same legs; a file's own legs are kept when the
// plan becomes the page's; an unknown sailing in an address is said.
//
// usage: node legs_test.mjs <sailings program> <build/web> <source folder> <output folder>
import fs from "node:fs";
import path from "node:path";
import {commandLine, csv, openBrowser} from "./browser.mjs";

const [program, web, source, output] = process.argv.slice(2).map((a) => path.resolve(a));
fs.mkdirSync(output, {recursive: true});
let failures = 0;
const check = (ok, what) => { if (!ok) { failures += 1; console.log("FAIL: " + what); } };
const {work, cli} = commandLine(program, source, output);
const {page, errors, open, close} = await openBrowser(web);
const settled = () => page.waitForFunction(() => !document.body.dataset.pending && !document.body.dataset.stale, {timeout: 60000});
const legs = () => page.$$eval("#figures tbody tr", (rows) => rows.map((r) => [...r.children].map((c) => c.textContent)));
const rows = (out) => csv(out).rows.map((r) => r.map((v) => (v === "" ? "–" : v)));

try {
  // Set in the form: leg 1 along the rhumb line at 10 kn, leg 2 at 16 kn,
  // the passage at 14 kn.
  await open("from=Rotterdam&via=50N+5.2W&to=New+York&speed=14");
  await page.select("#wp2-sailing", "rhumb");
  await settled();
  await page.type("#wp2-speed", "10");
  await page.type("#wp3-speed", "16");
  await settled();
  const byHand = path.join(work, "by-hand.csv");
  fs.writeFileSync(byHand, "name,lat,lon,sailing,speed_kn\nRotterdam,51.9244,4.4777,,\n,50N,5.2W,rhumb,10\nNew York,40.7128,-74.006,,16\n");
  const want = rows(cli(["voyage", "--route", byHand, "--speed", "14", "--csv"]).out);
  const got = await legs();
  check(want.length === 2 && want[0][3] === "rhumb" && JSON.stringify(got) === JSON.stringify(want),
        `the legs of their own: ${JSON.stringify(got).slice(0, 200)} vs ${JSON.stringify(want).slice(0, 200)}`);
  // The address keeps them and gives them back.
  const hash = await page.evaluate(() => location.hash);
  check(new URLSearchParams(hash.slice(1)).getAll("leg").join("|") === "rhumb:10|:16", `the legs in the address: ${hash}`);
  await open(hash.slice(1));
  check(await page.$eval("#wp2-sailing", (e) => e.value) === "rhumb" && await page.$eval("#wp3-speed", (e) => e.value) === "16" &&
        JSON.stringify(await legs()) === JSON.stringify(want), "the legs from the address");
  // The route CSV the download holds reads back as the same legs.
  const routeFile = path.join(work, "from-page.csv");
  fs.writeFileSync(routeFile, await page.evaluate(() => new TextDecoder().decode(writeFile(current, "route").bytes)));
  check(JSON.stringify(rows(cli(["voyage", "--route", routeFile, "--speed", "14", "--csv"]).out)) === JSON.stringify(want),
        "the route CSV download");
  check((await page.$eval("#command", (e) => e.textContent)).includes("--route 'passage (route).csv'"), "the command line names the route CSV");

  // A file with legs of its own: kept when a waypoint is changed.
  await open("from=Lisbon&to=Dakar&shown=full");
  const file = path.join(source, "data", "rotterdam-new-york.csv");
  await (await page.$("#open-file")).uploadFile(file);
  await page.waitForFunction(() => document.querySelector("#file-note").textContent !== "" && !document.body.dataset.pending);
  const sailingsOf = (r) => r.map((l) => l[3]).join(",");
  const fileLegs = rows(cli(["voyage", "--route", file, "--csv"]).out);
  await page.$eval("#wp13", (e) => { e.value = "40.6892 -74.0445"; e.dispatchEvent(new Event("input")); });
  await settled();
  const own = await legs();
  check(own.length === fileLegs.length && sailingsOf(own) === sailingsOf(fileLegs) && own[11][7] === fileLegs[11][7] && own[11][7] === "8.000000",
        `the file's legs kept: ${sailingsOf(own)} vs ${sailingsOf(fileLegs)}`);

  // An unknown sailing in an address: said, the passage's taken.
  await open("from=Lisbon&to=Dakar&leg=orthodrome:");
  check((await page.$eval("#address-why", (e) => e.textContent)).includes("leg sailing 'orthodrome'"), "an unknown leg sailing said");
  check(errors.length === 0, "console errors: " + errors.join(" | "));
} finally {
  await close();
}
console.log(failures ? `legs: ${failures} failed` : "legs: all passed");
process.exit(failures ? 1 : 0);
