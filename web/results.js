// The page's results: the command line's CSV records read and shown as
// tables (a page of rows at a time), the sailings side by side, and the
// plan on paper. (Loaded before app.js; they share its globals.)
"use strict";

// ------------------------------------------------------------ results

function cell(v) { return v === null || v === undefined ? "–" : String(v); }

function recordTable(records, names, units) {
  let html = "<table><thead><tr>" + names.map((n, i) => `<th scope="col">${n}${units[i] ? " (" + units[i] + ")" : ""}</th>`).join("") + "</tr></thead><tbody>";
  for (const r of records) html += "<tr>" + names.map((n) => `<td>${escapeHtml(cell(r[n]))}</td>`).join("") + "</tr>";
  return html + "</tbody></table>";
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
function showComparison(r) {
  const rows = [
    ["great ellipse", r.ge_distance_nm, r.ge_azimuth_fwd, r.ge_course_final],
    ["rhumb line", r.rhumb_distance_nm, r.rhumb_course, r.rhumb_course],
    ["geodesic", r.geodesic_nm, r.geodesic_azimuth_fwd, r.geodesic_azimuth_final],
    ["great circle (sphere)", r.sphere_nm, r.sphere_course, r.sphere_course_final]];
  if (r.composite === "true") rows.push(["composite track", r.composite_nm, r.ge1_course, r.composite_course_final]);
  // With the land check: where the great ellipse, the rhumb line and the
  // composite track first cross land (1:10m coastline), or "clear".
  const checked = "ge_crosses_land" in r;
  const land = (v) => (v ? "crosses near " + v.replace(/^\[|\]$/g, "").replace(",", ", ") : "clear");
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
  if (r.vertex_lat !== null) html += `<p>Vertex ${escapeHtml(r.vertex_lat)}°, ${escapeHtml(r.vertex_lon)}° (${r.vertex_on_route === "true" ? "on the route" : "beyond its ends"}).</p>`;
  if (r.composite === "true") html += `<p>Composite track: T1 ${escapeHtml(r.t1_lat)}°, ${escapeHtml(r.t1_lon)}°; T2 ${escapeHtml(r.t2_lat)}°, ${escapeHtml(r.t2_lon)}°; ${escapeHtml(r.parallel_nm)} NM along the parallel.</p>`;
  $("comparison").innerHTML = html;
}

// Long tables are shown a page of rows at a time (the downloads hold them all).
const PAGE = 100;
let tableRows = [], tableNames = [], tableFirst = 0;
function showTable() {
  const last = Math.min(tableRows.length, tableFirst + PAGE);
  $("table").innerHTML = recordTable(tableRows.slice(tableFirst, last), tableNames, tableNames.map(unitOf));
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
  $("table").innerHTML = recordTable(rows, tableNames, tableNames.map(unitOf)) +
    (tableRows.length > rows.length ? `<p>… ${tableRows.length - rows.length} more rows in the downloads.</p>` : "");
});
window.addEventListener("afterprint", () => { if (tableRows.length) showTable(); });
