// The page's files: route files opened (or dropped) as the plan, the files
// the command line writes for it and their names, the downloads, and the
// plans kept in the browser. (Loaded before app.js; they share its globals.)
"use strict";

const FILE_OPTIONS = {gpx: "--gpx", rtz: "--rtz", svg: "--svg", geojson: "--geojson", kml: "--kml", nmea: "--nmea"};

// ------------------------------------------------------------ route files in

// A route file opened (or dropped): kept in the page's file system and
// planned as `sailings voyage --route FILE` with the settings of the form,
// so its names and its legs' own sailings and speeds are the file's. Its
// waypoints are shown; changing one makes the plan the page's own (the
// positions as shown). {path, name} or null.
let opened = null;

function fileCommands(p) {
  const common = [];
  if (p.limit) common.push("--limit", p.limit);
  if (p.speed) common.push("--speed", p.speed);
  if (p.depart) common.push("--depart", p.depart);
  if (p.placement === "longitudes") {
    return {why: {field: "placement", text: "A voyage places its waypoints at equal distances, every so many NM or for a cross-track limit, not at equal steps of longitude."}};
  }
  const v = ["voyage", "--route", opened.path, ...common];
  const land = p.land === "1" && p.sea !== "1" ? ["--land"] : [];
  if (p.sea === "1") v.push("--sea", ...(p.clearance ? ["--clearance", p.clearance] : []));
  if (p.sailing !== "great-ellipse") v.push("--sailing", p.sailing);
  if (p.placement === "points") v.push("--points", p.count);
  if (p.placement === "leg") v.push("--leg", p.count);
  if (p.placement === "xtd") v.push("--xtd", p.count);
  return {figures: [...v, ...land, "--csv"], table: [...v, "--waypoints", "--csv"], files: v,
          csv: [...v, "--waypoints", "--csv"], json: [...v, "--waypoints", "--json"], voyage: true};
}

async function openFile(file) {
  $("file-why").textContent = "";
  const name = file.name.replace(/[^\p{L}\p{N} _.,()-]/gu, "_").replace(/^\.+/, "") || "route";
  const path = "/plan/in/" + name;
  try { sailings.FS.mkdir("/plan/in"); } catch (e) { /* there */ }
  sailings.FS.writeFile(path, new Uint8Array(await file.arrayBuffer()));
  const r = run(["voyage", "--route", path, "--csv", "-p", "9"]);
  // (The reason names the file as the user knows it, not the page's path.)
  if (r.status !== 0) { $("file-why").textContent = `${file.name}: ${reason(r.err).split(path).join(file.name)}`; return; }
  const legs = csvRecords(r.out);
  opened = {path, name: file.name};
  // Its waypoints, shown as the positions they are.
  const points = [legs[0].from_lat + " " + legs[0].from_lon, ...legs.map((l) => l.to_lat + " " + l.to_lon)];
  $("waypoints").innerHTML = "";
  // (Each leg's sailing and speed from the file, kept when the plan becomes
  // the page's own.)
  points.forEach((v, i) => waypointRow(v, i === 0 ? null :
    [legs[i - 1].sailing in LEG_SAILINGS ? legs[i - 1].sailing : "", legs[i - 1].speed_kn ? String(Number(legs[i - 1].speed_kn)) : ""]));
  $("file-note").textContent = `From ${file.name}: ${points.length} waypoints, with the names and each leg's sailing and speed the file gives. Change a waypoint to make the plan your own.`;
  if (!$("name").value) $("name").value = file.name.replace(/\.[^.]*$/, "");
  update();
}

// The plan's name as a file's name (the RTZ's routeName is the file's
// name, as on the command line): letters, digits, blanks and - _ . , ( )
// kept, anything else (a slash, a colon) made "_"; "passage" when empty.
function fileStem(name) {
  const stem = (name || "").normalize("NFC").replace(/[^\p{L}\p{N} _.,()-]/gu, "_")
    .replace(/^[\s.]+|\s+$/g, "").slice(0, 80);
  return stem || "passage";
}

// A file the command line writes: its bytes, or null with the reason.
function writeFile(cmd, kind) {
  if (kind === "route") {  // the route file of legs with their own sailing or speed (legs.js)
    return cmd.route ? {bytes: sailings.FS.readFile(cmd.route.path)}
                     : {error: "The route CSV holds legs with their own sailing or speed: give one a sailing or a speed"};
  }
  if (kind === "csv" || kind === "json") {
    const r = run(cmd[kind]);
    return r.status === 0 ? {bytes: new TextEncoder().encode(r.out)} : {error: r.err};
  }
  if (cmd.files[0] === "route" && (kind === "gpx" || kind === "rtz")) {
    return {error: "GPX and RTZ hold a table: choose how waypoints are placed"};
  }
  const path = "/plan/out/" + fileStem(cmd.name) + "." + kind;
  try { sailings.FS.unlink(path); } catch (e) { /* none yet */ }
  const r = run([...cmd.files, FILE_OPTIONS[kind], path]);
  if (r.status !== 0) return {error: r.err};
  return {bytes: sailings.FS.readFile(path)};
}

// Plans kept in the browser (localStorage), by name: each one's address.
const KEPT = "sailings.plans";
function keptPlans() {
  try { return JSON.parse(localStorage.getItem(KEPT) || "{}") || {}; } catch (e) { return {}; }
}
function showKept() {
  const kept = keptPlans();
  $("saved").innerHTML = Object.keys(kept).sort().map((name) =>
    `<li><a href="${escapeHtml(kept[name])}">${escapeHtml(name)}</a> ` +
    `<button type="button" data-name="${escapeHtml(name)}" aria-label="Delete the plan ${escapeHtml(name)}">Delete</button></li>`).join("");
  for (const b of $("saved").querySelectorAll("button")) {
    b.onclick = () => {
      const all = keptPlans();
      delete all[b.dataset.name];
      localStorage.setItem(KEPT, JSON.stringify(all));
      showKept();
    };
  }
}
function keep() {
  const p = plan();
  const all = keptPlans();
  all[p.name || "passage"] = toAddress(p);
  try { localStorage.setItem(KEPT, JSON.stringify(all)); } catch (e) { $("status").textContent = "The browser would not keep the plan (" + e.message + ")."; }
  showKept();
}

function download(kind) {
  if (!current) return;
  $("download-error").textContent = "";
  const file = writeFile(current, kind);
  // (The reason beside the buttons, where the eye is.)
  if (file.error) { $("download-error").textContent = reason(file.error); return; }
  const a = document.createElement("a");
  a.href = URL.createObjectURL(new Blob([file.bytes]));
  a.download = kind === "route" ? current.route.name : fileStem(current.name) + "." + kind;
  document.body.appendChild(a);
  a.click();
  a.remove();
}
