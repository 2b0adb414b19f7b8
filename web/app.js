// The page: moves what is typed into the library (the command line run
// in-process, sailings_web.cpp) and what it prints and writes onto the page.
// It computes nothing itself.
"use strict";

let sailings = null;   // the WebAssembly module
let run = null;        // run(args) -> {status, out, err}
const $ = (id) => document.getElementById(id);

const FIELDS = ["name", "land", "sea", "clearance", "sailing", "limit", "speed", "depart", "placement", "count", "shown"];
const CHECKS = new Set(["land", "sea"]);  // the fields that are switches: "1" or ""
const SAILING_WORDS = {"great-ellipse": "great ellipse", "rhumb": "rhumb line", "geodesic": "geodesic"};

// ------------------------------------------------------------ waypoints

function waypointRow(value, leg) {
  const li = document.createElement("li");
  const n = $("waypoints").children.length + 1;
  li.innerHTML =
    '<label>Waypoint <span class="n"></span></label>' +
    '<div class="row"><input class="place" list="places" aria-describedby=""><button type="button" class="up">↑</button>' +
    '<button type="button" class="down">↓</button>' +
    '<button type="button" class="remove">✕</button></div>' +
    '<p class="error" aria-live="polite"></p>';
  const input = li.querySelector("input.place");
  input.value = value || "";
  legControls(li, leg);
  input.addEventListener("input", () => { leaveFile(); schedule(); });
  // (Focus stays with the button pressed, in the row moved; after a
  // removal it goes to the row that took the removed one's place.)
  li.querySelector(".up").onclick = () => {
    leaveFile();
    if (li.previousElementSibling) li.parentNode.insertBefore(li, li.previousElementSibling);
    update();
    li.querySelector(".up").focus();
  };
  li.querySelector(".down").onclick = () => {
    leaveFile();
    if (li.nextElementSibling) li.parentNode.insertBefore(li.nextElementSibling, li);
    update();
    li.querySelector(".down").focus();
  };
  li.querySelector(".remove").onclick = () => {
    if ($("waypoints").children.length <= 2) return;  // (the button is disabled then)
    leaveFile();
    const next = li.nextElementSibling || li.previousElementSibling;
    li.remove();
    update();
    next.querySelector(".remove:not(:disabled)") ? next.querySelector(".remove").focus() : next.querySelector("input.place").focus();
  };
  $("waypoints").appendChild(li);
  number();
  return li;
}

// A waypoint changed, added, moved or removed: the plan is the page's own.
function leaveFile() {
  if (!opened) return;
  opened = null;
  $("file-note").textContent = "";
}

function number() {
  [...$("waypoints").children].forEach((li, i) => {
    li.querySelector(".n").textContent = String(i + 1);
    const input = li.querySelector("input.place"), error = li.querySelector(".error");
    input.id = "wp" + (i + 1);
    error.id = "wp" + (i + 1) + "-error";
    input.setAttribute("aria-describedby", error.id);
    li.querySelector("label").setAttribute("for", input.id);
    li.querySelector(".up").setAttribute("aria-label", `Move waypoint ${i + 1} up`);
    li.querySelector(".down").setAttribute("aria-label", `Move waypoint ${i + 1} down`);
    const remove = li.querySelector(".remove");
    remove.setAttribute("aria-label", `Remove waypoint ${i + 1}`);
    // A plan has two waypoints at least: the last two cannot be removed.
    remove.disabled = $("waypoints").children.length <= 2;
    remove.title = remove.disabled ? "A plan needs two waypoints" : "";
    numberLeg(li, i);
  });
}

// ------------------------------------------------------------ the plan

// The plan as the page holds it, from the form.
function plan() {
  const p = {points: [...$("waypoints").querySelectorAll("input.place")].map((i) => i.value), legs: formLegs()};
  for (const f of FIELDS) p[f] = CHECKS.has(f) ? ($(f).checked ? "1" : "") : $(f).value.trim();
  return p;
}

// The plan in the page's address: #from=..&to=..&via=..&limit=.. (the
// positions as typed, place names or coordinates).
function toAddress(p) {
  const q = new URLSearchParams();
  q.set("from", p.points[0] || "");
  for (const v of p.points.slice(1, -1)) q.append("via", v);
  q.set("to", p.points[p.points.length - 1] || "");
  for (const f of FIELDS) if (p[f]) q.set(f, p[f]);
  legsToAddress(q, p.legs);
  return "#" + q.toString();
}

// A value of a list that the page does not offer (a shared address typed
// by hand: sailing=orthodrome) is left out and said so, never dropped in
// silence.
let addressWhy = "";
function fromAddress(hash) {
  const q = new URLSearchParams(hash.replace(/^#/, ""));
  if (!q.has("from") && !q.has("to")) return null;
  const p = {points: [q.get("from") || "", ...q.getAll("via"), q.get("to") || ""]};
  const unknown = [];
  for (const f of FIELDS) {
    p[f] = q.get(f) || "";
    const list = $(f) && $(f).tagName === "SELECT" ? [...$(f).options].map((o) => o.value) : null;
    if (list && p[f] && !list.includes(p[f])) {
      unknown.push(`${f} '${p[f]}'`);
      p[f] = "";
    }
  }
  p.legs = legsFromAddress(q, p.points.length, unknown);
  addressWhy = unknown.length ? `The address's ${unknown.join(" and ")} is not one this page offers: the default is shown instead.` : "";
  return p;
}

const DEFAULTS = {name: "", land: "", sea: "", clearance: "", sailing: "great-ellipse", limit: "", speed: "", depart: "", placement: "", count: "10", shown: ""};

function show(p) {
  $("waypoints").innerHTML = "";
  p.points.forEach((v, i) => waypointRow(v, p.legs && p.legs[i]));
  for (const f of FIELDS) {
    const value = p[f] !== undefined && p[f] !== "" ? p[f] : DEFAULTS[f];
    if (CHECKS.has(f)) $(f).checked = value === "1"; else $(f).value = value;
  }
}

// ------------------------------------------------------------ commands

// The command-line arguments of the plan; null (the reasons shown beside
// the fields) when a waypoint cannot be read.
function commands(p) {
  const places = [], answers = [];
  let bad = false;
  if (opened) return fileCommands(p);
  [...$("waypoints").children].forEach((li, i) => {
    const answer = sailings.ccall("sailings_place", "string", ["string"], [p.points[i]]).split("\t");
    const error = li.querySelector(".error");
    if (answer[0] === "ok") {
      error.textContent = "";
      answers.push(answer);
      places.push(answer[1] ? [answer[1]] : [answer[2], answer[3]]);
    } else {
      error.textContent = answer[1];
      bad = true;
    }
  });
  if (bad) return null;
  // A passage that stays at sea is a voyage: the legs round the land.
  const sea = p.sea === "1";
  // Legs with their own sailing or speed: the voyage of a route file.
  const route = legRoute(p, answers);
  const voyage = places.length > 2 || p.placement === "xtd" || sea || !!route;
  // What cannot be computed together is not offered, and said why beside
  // the control where the plan asks for it all the same.
  const limited = !!p.limit && !voyage;
  const longitudes = p.placement === "longitudes";
  for (const o of $("sailing").options) o.disabled = ((limited && !!p.placement) || (longitudes && !voyage)) && o.value !== "great-ellipse";
  for (const o of $("placement").options) o.disabled = o.value === "longitudes" && (limited || voyage);
  if (limited && p.placement && p.sailing !== "great-ellipse") {
    return {why: {field: "sailing", text: `With a limiting latitude the waypoints follow the composite track (great ellipses and the parallel): clear the limit to place them along the ${SAILING_WORDS[p.sailing]}.`}};
  }
  if (limited && p.placement === "longitudes") {
    return {why: {field: "placement", text: "With a limiting latitude the waypoints are placed along the composite track at equal distances or every so many NM: clear the limit for equal steps of longitude."}};
  }
  if (longitudes && !voyage && p.sailing !== "great-ellipse") {
    return {why: {field: "sailing", text: `Equal steps of longitude are placed on the great ellipse: choose it, or place the waypoints by distance along the ${SAILING_WORDS[p.sailing]}.`}};
  }
  if (voyage && p.placement === "longitudes") {
    return {why: {field: "placement", text: "A voyage places its waypoints at equal distances, every so many NM or for a cross-track limit, not at equal steps of longitude."}};
  }
  const common = [];
  if (p.limit) common.push("--limit", p.limit);
  const timing = [];
  if (p.speed) timing.push("--speed", p.speed);
  if (p.depart) timing.push("--depart", p.depart);
  const positions = places.flat();
  if (voyage) {
    const v = ["voyage", ...(route ? ["--route", route.path] : positions), ...common, ...timing];
    if (sea) v.push("--sea", ...(p.clearance ? ["--clearance", p.clearance] : []));
    if (p.sailing !== "great-ellipse") v.push("--sailing", p.sailing);
    if (p.placement === "points") v.push("--points", p.count);
    if (p.placement === "leg") v.push("--leg", p.count);
    if (p.placement === "xtd") v.push("--xtd", p.count);
    const land = p.land === "1" && !sea ? ["--land"] : [];
    return {figures: [...v, ...land, "--csv"], table: [...v, "--waypoints", "--csv"], files: v,
            csv: [...v, "--waypoints", "--csv"], json: [...v, "--waypoints", "--json"], voyage: true, route};
  }
  const figures = ["route", ...positions, "--compare", "--full", ...common, ...(p.land === "1" ? ["--land"] : []), "--csv"];
  if (!p.placement) {
    return {figures, table: null, files: ["route", ...positions, ...common], csv: figures,
            json: [...figures.slice(0, -1), "--json"], voyage: false};
  }
  const t = ["table", ...positions, "--" + p.placement, p.count, ...common, ...timing];
  if (p.sailing === "rhumb") t.push("--rhumb");
  if (p.sailing === "geodesic") t.push("--geodesic");
  return {figures, table: [...t, "--csv"], files: t, csv: [...t, "--csv"], json: [...t, "--json"], voyage: false};
}

// The waypoints as the chart marks them: [lat, lon, label] in degrees,
// each one that reads.
function chartMarks(p) {
  const marks = [];
  for (const typed of p.points) {
    const a = sailings.ccall("sailings_place", "string", ["string"], [typed]).split("\t");
    if (a[0] === "ok" && a.length >= 6) marks.push([Number(a[4]), Number(a[5]), a[1] || typed.trim()]);
  }
  return marks;
}

// ------------------------------------------------------------ working out

let current = null;

// The coastline of sea passages, fetched when a plan first stays at sea:
// null (not yet asked), a promise while it loads, true once the library has it.
let coast = null;
function coastReady() {
  if (coast === true) return true;
  if (coast === null) {
    // (With the table of which cells the sea joins: the command line's
    // passages, to the metre.)
    const get = (file) => fetch(file)
      .then((r) => { if (!r.ok) throw new Error("HTTP " + r.status); return r.arrayBuffer(); });
    coast = Promise.all([get("coast_10m.bin"), get("links.bin")])
      .then(([bytes, links]) => {
        sailings.FS.writeFile("/plan/coast_10m.bin", new Uint8Array(bytes));
        sailings.FS.writeFile("/plan/links.bin", new Uint8Array(links));
        const loaded = sailings.ccall("sailings_load_coast", "number", [], []);
        sailings.FS.unlink("/plan/coast_10m.bin");
        sailings.FS.unlink("/plan/links.bin");
        if (!loaded) throw new Error("not the coastline's data");
        coast = true;
        document.body.dataset.coast = "1";
        update();
      })
      .catch((e) => {
        coast = null;
        $("status").textContent = "";
        $("error").textContent = "The coastline could not be loaded (" + e.message + "); change the plan to try again.";
      });
  }
  return false;
}

// The first line of what the command line says (never its usage text).
function reason(err) {
  return (err || "").trim().split("\n")[0].replace(/^ERROR: /, "");
}

// The results of the last plan that read stay, marked out of date, while
// the plan does not read (a value half typed): nothing jumps or vanishes.
function stale(on) {
  $("results").classList.toggle("stale", on);
  $("stale-note").hidden = !on;
  document.body.dataset.stale = on ? "1" : "";
  for (const b of $("downloads").querySelectorAll("button")) b.disabled = on || !current;
}

// Typing waits for a pause (300 ms) before the plan is worked out; a list
// chosen or a switch turned works at once.
let timer = null;
function schedule() {
  clearTimeout(timer);
  document.body.dataset.pending = "1";
  timer = setTimeout(update, 300);
}

function update() {
  clearTimeout(timer);
  delete document.body.dataset.pending;
  number();
  const p = plan();
  history.replaceState(null, "", toAddress(p));
  const cmd = commands(p);
  if (cmd) cmd.name = p.name;
  for (const id of ["error", "status", "sailing-why", "placement-why", "download-error"]) $(id).textContent = "";
  $("address-why").textContent = addressWhy;
  if (!cmd) { stale(!!current); return; }
  if (cmd.why) { $(cmd.why.field + "-why").textContent = cmd.why.text; stale(!!current); return; }
  if ((p.sea === "1" || p.land === "1") && !coastReady()) { $("status").textContent = "Loading the coastline…"; stale(!!current); return; }
  const figures = run(cmd.figures);
  if (figures.status !== 0) { $("error").textContent = reason(figures.err); stale(!!current); return; }
  // The tables as a navigator reads them, from figures of twelve decimals
  // (navigatorCell); every figure in full as the command line prints it.
  const navigator = p.shown !== "full", twelve = navigator ? ["-p", "12"] : [];
  let table = null;
  if (cmd.table) {
    table = run([...cmd.table, ...twelve]);
    if (table.status !== 0) { $("error").textContent = reason(table.err); stale(!!current); return; }
  }
  const svg = writeFile(cmd, "svg"), geo = writeFile(cmd, "geojson");
  const refused = svg.error || geo.error;
  if (refused) { $("error").textContent = reason(refused); stale(!!current); return; }
  const records = csvRecords(figures.out);
  const fine = navigator ? run([...cmd.figures, ...twelve]) : figures;
  const shown = fine.status === 0 ? csvRecords(fine.out) : records;
  // What the command line tells beside the figures (a sea passage's
  // approaches, canals and narrows), one line each.
  $("notes").innerHTML = figures.err.trim().split("\n").filter((l) => l)
    .map((l) => `<li>${escapeHtml(l.replace(/^note: (--sea: )?/, ""))}</li>`).join("");
  if (cmd.voyage) {  // the legs, each along its own track
    if (p.land === "1" && p.sea !== "1") {
      // Beside each leg where it first crosses land, as the command line warns.
      const crossing = {};
      for (const m of figures.err.matchAll(/^warning: leg (\d+) \([^)]*\) crosses land near ([^(\n]*?) \(/gm)) crossing[m[1]] = m[2];
      for (const r of [...records, ...shown]) r.land = crossing[r.leg] ? "crosses near " + crossing[r.leg] : "clear";
    }
    const names = shown.length ? Object.keys(shown[0]) : [];
    $("comparison").innerHTML = recordTable(shown, names, navigatorUnits(names, navigator), navigator);
  } else {
    showComparison(shown[0], navigator);
  }
  showFigures(records);
  if (table) {
    tableRows = csvRecords(table.out);
    tableNavigator = navigator;
    tableNames = tableRows.length ? Object.keys(tableRows[0]) : [];
    tableFirst = 0;
    showTable();
  } else {
    tableRows = [];
    $("pager").hidden = true;
    $("table").textContent = "Choose how waypoints are placed for a table.";
  }
  // Speed and departure give the times of a table: said, not ignored.
  if (!table && (p.speed || p.depart)) {
    $("status").textContent = "Speed and departure give times of arrival in the waypoint table: choose how waypoints are placed.";
  }
  $("print-chart").innerHTML = new TextDecoder().decode(svg.bytes);
  showChart(new TextDecoder().decode(geo.bytes), chartMarks(p), !opened, landCrossings(p, cmd, records, figures.err));
  $("command").textContent = "The same from the command line: sailings " +
    cmd.files.map((a) => (opened && a === opened.path ? opened.name : cmd.route && a === cmd.route.path ? cmd.route.name : a)).map((a) => (/[\s'"°]/.test(a) ? "'" + a.replace(/'/g, "'\\''") + "'" : a)).join(" ");
  $("print-plan").innerHTML = printedPlan(p, cmd);
  current = cmd;
  stale(false);
}

// ------------------------------------------------------------ start

SailingsModule().then((module) => {
  sailings = module;
  sailings.FS.mkdir("/plan/out");
  run = (args) => {
    const text = sailings.ccall("sailings_run", "string", ["string"], [args.join("\n")]);
    const newline = text.indexOf("\n"), sep = text.indexOf("\x1e", newline);
    return {status: Number(text.slice(0, newline)), out: text.slice(newline + 1, sep), err: text.slice(sep + 1)};
  };
  // The place list, for the fields' suggestions.
  const list = new TextDecoder().decode(sailings.FS.readFile("/plan/input.txt"));
  $("places").innerHTML = list.split(/\r?\n/).map((l) => l.split("\t")[0]).filter((n) => n)
    .map((n) => `<option value="${escapeHtml(n)}">`).join("");
  show(fromAddress(location.hash) || {points: ["Cape Town", "Sydney"], limit: "50", placement: "leg", count: "1000"});
  for (const f of FIELDS) {
    const list = f === "sailing" || f === "placement" || f === "shown" || CHECKS.has(f);
    $(f).addEventListener(list ? "change" : "input", list ? update : schedule);
  }
  $("previous").onclick = () => { tableFirst = Math.max(0, tableFirst - PAGE); showTable(); };
  $("next").onclick = () => { tableFirst = Math.min(tableRows.length - 1, tableFirst + PAGE); showTable(); };
  $("save").onclick = keep;
  $("open-file").addEventListener("change", (e) => { if (e.target.files[0]) openFile(e.target.files[0]); });
  // A file dropped anywhere on the page opens as if chosen.
  document.addEventListener("dragover", (e) => e.preventDefault());
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    if (e.dataTransfer.files[0]) openFile(e.dataTransfer.files[0]);
  });
  showKept();
  // Offline once opened: the page's own files cached as they come.
  if ("serviceWorker" in navigator) navigator.serviceWorker.register("sw.js").catch(() => {});
  $("add").onclick = () => {
    leaveFile();
    waypointRow("").querySelector("input.place").focus();
  };
  for (const b of $("downloads").querySelectorAll("button")) b.onclick = () => download(b.dataset.file);
  window.addEventListener("hashchange", () => {
    const p = fromAddress(location.hash);
    if (p) { leaveFile(); show(p); update(); }
  });
  update();
  document.body.dataset.ready = "1";
});
