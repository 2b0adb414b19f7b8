// The page's results: the command line's CSV records read and shown as
// tables (a page of rows at a time), the sailings side by side, and the
// plan on paper. (Loaded before app.js; they share its globals.)
"use strict";

// ------------------------------------------------------------ results

function cell(v) { return v === null || v === undefined ? "–" : String(v); }

// `navigator`: each cell as a navigator reads it (navigatorCell).
function recordTable(records, names, units, navigator) {
  let html = "<table><thead><tr>" + names.map((n, i) => `<th scope="col">${n}${units[i] ? " (" + units[i] + ")" : ""}</th>`).join("") + "</tr></thead><tbody>";
  for (const r of records) html += "<tr>" + names.map((n) => `<td>${escapeHtml(cell(navigator ? navigatorCell(n, r[n]) : r[n]))}</td>`).join("") + "</tr>";
  return html + "</tbody></table>";
}

// How a navigator reads a table: positions in degrees and decimal minutes
// (0.1'), distances to 0.1 NM, speeds to 0.1 kn, courses to 0.1°, times as days, hours and
// minutes; each by the library's own writers, from figures of twelve
// decimals (so that each is the true value rounded once). The full figures
// are under "Every figure", in the downloads, and in the tables with
// "every figure in full".
function navigatorCell(name, v) {
  if (v === null || v === undefined || !/^-?\d+(\.\d+)?$/.test(v)) return v;  // names, times, words
  const x = Number(v), text = (f, a) => sailings.ccall(f, "string", ["number", "number"], [x, a]);
  if (/(^|_)lat$/.test(name)) return text("sailings_coordinate", 0);
  if (/(^|_)lon$/.test(name)) return text("sailings_coordinate", 1);
  if (/azimuth|course/.test(name)) return text("sailings_azimuth", 1);
  if (/_nm$/.test(name) || name === "speed_kn") return text("sailings_fixed", 1);
  if (name === "hours") {
    const minutes = Math.round(x * 60), d = Math.floor(minutes / 1440);
    return (d ? `${d} d ` : "") + `${Math.floor((minutes % 1440) / 60)} h ${String(minutes % 60).padStart(2, "0")} min`;
  }
  return v;
}
function navigatorUnits(names, navigator) {
  return names.map((n) => (navigator && (/(^|_)(lat|lon)$/.test(n) || n === "hours") ? "" : unitOf(n)));
}

function escapeHtml(text) {
  const s = text === null || text === undefined ? "–" : String(text);
  return s.replace(/[&<>"']/g, (c) => ({"&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&#39;"}[c]));
}

function unitOf(name) {
  if (/_nm$/.test(name)) return "NM";
  if (/_m$/.test(name)) return "m";
  if (/_km$/.test(name)) return "km";
  if (/_pct$/.test(name)) return "%";
  if (/lat|lon|azimuth|course/.test(name)) return "°";
  if (name === "speed_kn") return "kn";
  if (name === "hours") return "h";
  if (name === "eta") return "UTC";
  return "";
}

function showFigures(records) {
  if (records.length === 1) {
    const r = records[0];
    $("figures").innerHTML = "<table><tbody>" + Object.keys(r).map((k) =>
      `<tr><th scope="row">${k.replace(/_/g, " ")}</th><td>${escapeHtml(cell(r[k]))}</td><td>${unitOf(k)}</td></tr>`).join("") + "</tbody></table>";
  } else {
    const names = Object.keys(records[0]);
    $("figures").innerHTML = recordTable(records, names, names.map(unitOf));
  }
}

// Records of the command line's CSV (RFC 4180), each an object of texts:
// the numbers exactly as the command line prints them.
function csvRecords(text) {
  const rows = [];
  let row = [], field = "", quoted = false;
  for (let i = 0; i < text.length; ++i) {
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') { field += '"'; ++i; } else if (c === '"') quoted = false; else field += c;
    } else if (c === '"') quoted = true;
    else if (c === ",") { row.push(field); field = ""; }
    else if (c === "\n") { row.push(field); rows.push(row); row = []; field = ""; }
    else if (c !== "\r") field += c;
  }
  if (field || row.length) { row.push(field); rows.push(row); }
  const names = rows.shift() || [];
  return rows.map((r) => Object.fromEntries(names.map((n, i) => [n, r[i] === "" ? null : r[i]])));
}

// The sailings side by side: distance and courses of each.
function showComparison(r, navigator) {
  const shown = (name) => (navigator ? navigatorCell(name, r[name]) : r[name]);
  const rows = [
    ["great ellipse", "ge_distance_nm", "ge_azimuth_fwd", "ge_course_final"],
    ["rhumb line", "rhumb_distance_nm", "rhumb_course", "rhumb_course"],
    ["geodesic", "geodesic_nm", "geodesic_azimuth_fwd", "geodesic_azimuth_final"],
    ["great circle (sphere)", "sphere_nm", "sphere_course", "sphere_course_final"]];
  if (r.composite === "true") rows.push(["composite track", "composite_nm", "ge1_course", "composite_course_final"]);
  for (const row of rows) for (let i = 1; i < 4; ++i) row[i] = shown(row[i]);
  // With the land check: where the great ellipse, the rhumb line and the
  // composite track first cross land (1:10m coastline), or "clear".
  const checked = "ge_crosses_land" in r;
  const land = (v) => {
    if (!v) return "clear";
    const [lat, lon] = v.replace(/^\[|\]$/g, "").split(",");
    return "crosses near " + (navigator ? `${navigatorCell("lat", lat)} ${navigatorCell("lon", lon)}` : `${lat}, ${lon}`);
  };
  if (checked) {
    rows[0].push(land(r.ge_crosses_land));
    rows[1].push(land(r.rhumb_crosses_land));
    rows[2].push(null), rows[3].push(null);
    if (rows[4]) rows[4].push(land(r.composite_crosses_land));
  }
  let html = '<table><thead><tr><th scope="col">sailing</th><th scope="col">distance (NM)</th>' +
    '<th scope="col">initial course (°)</th><th scope="col">final course (°)</th>' +
    (checked ? '<th scope="col">land (1:10m coastline)</th>' : "") + "</tr></thead><tbody>";
  for (const row of rows) html += "<tr>" + row.map((v, i) => i ? `<td>${escapeHtml(cell(v))}</td>` : `<th scope="row">${v}</th>`).join("") + "</tr>";
  html += "</tbody></table>";
  const at = (lat, lon) => (navigator ? `${shown(lat)} ${shown(lon)}` : `${r[lat]}°, ${r[lon]}°`);
  if (r.vertex_lat !== null) html += `<p>Vertex ${escapeHtml(at("vertex_lat", "vertex_lon"))} (${r.vertex_on_route === "true" ? "on the route" : "beyond its ends"}).</p>`;
  if (r.composite === "true") html += `<p>Composite track: T1 ${escapeHtml(at("t1_lat", "t1_lon"))}; T2 ${escapeHtml(at("t2_lat", "t2_lon"))}; ${escapeHtml(shown("parallel_nm"))} NM along the parallel.</p>`;
  $("comparison").innerHTML = html;
}

// Long tables are shown a page of rows at a time (the downloads hold them all).
const PAGE = 100;
let tableRows = [], tableNames = [], tableFirst = 0, tableNavigator = true;
function showTable() {
  const last = Math.min(tableRows.length, tableFirst + PAGE);
  $("table").innerHTML = recordTable(tableRows.slice(tableFirst, last), tableNames, navigatorUnits(tableNames, tableNavigator), tableNavigator);
  $("pager").hidden = tableRows.length <= PAGE;
  $("rows-shown").textContent = `rows ${tableFirst + 1}–${last} of ${tableRows.length}`;
  $("previous").disabled = tableFirst === 0;
  $("next").disabled = last >= tableRows.length;
}

// The heading of a printed plan: its name, its waypoints and its settings.
function printedPlan(p, cmd) {
  const settings = [p.points.join(" – ")];
  if (p.sea === "1") settings.push(`at sea, clearance ${p.clearance || "2"} NM`);
  if (cmd.table || cmd.voyage) settings.push(`along the ${SAILING_WORDS[p.sailing] || "great ellipse"}`);
  if (p.limit) settings.push(`limiting latitude ${p.limit}°`);
  if (p.placement) settings.push($("placement").selectedOptions[0].textContent.replace(/\bN\b|\bNM\b/, p.count));
  if (p.speed) settings.push(`${p.speed} kn`);
  if (p.depart) settings.push(`departing ${p.depart}`);
  return `<h2>${escapeHtml(p.name || "Passage plan")}</h2><p>${escapeHtml(settings.join("; "))}</p>`;
}

// On paper every row of the table (up to 2000; the downloads hold any
// number), then the page of rows again.
const PRINTED_ROWS = 2000;
window.addEventListener("beforeprint", () => {
  if (!tableRows.length) return;
  const rows = tableRows.slice(0, PRINTED_ROWS);
  $("table").innerHTML = recordTable(rows, tableNames, navigatorUnits(tableNames, tableNavigator), tableNavigator) +
    (tableRows.length > rows.length ? `<p>… ${tableRows.length - rows.length} more rows in the downloads.</p>` : "");
});
window.addEventListener("afterprint", () => { if (tableRows.length) showTable(); });
