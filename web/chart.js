// The chart to work on. Leaflet (npm) draws, in the Web Mercator of map
// libraries, the land the library's charts draw (Natural Earth 1:110m, from
// the page's own WebAssembly: no tiles, nothing fetched from elsewhere) and
// the plan's tracks as the command line's GeoJSON gives them (each within
// the writer's tolerance of the exact sailing). Pan and zoom with the
// wheel, a pinch, the keys (arrows, + and -) or the buttons; a click or a
// tap adds a waypoint at the end; a waypoint dragged moves, its tracks
// redrawn as it goes; Delete on a waypoint, or its menu (a right click, a
// long press), removes it. The chart on paper is the library's SVG.
"use strict";

// The sailings told apart by dash pattern as well as by colour (the SVG
// chart's colours).
const TRACK_STYLES = {
  "great-ellipse": {color: "#c0392b", dash: "", name: "great ellipse"},
  "rhumb": {color: "#1f5fbf", dash: "9 6", name: "rhumb line"},
  "geodesic": {color: "#d35400", dash: "2 6", name: "geodesic"},
  "composite": {color: "#1e8449", dash: "14 5 3 5", name: "composite track"},
};

const chart = {
  map: null, tracks: null, marks: null,
  editing: false,   // the plan changed on the chart: the view stays
  dragging: false,
  lastFit: "",      // the waypoints the view was last fitted to
  redraws: [],      // ms each redraw while dragging took (the page's tests read them)
};

// Longitudes made continuous along a line (no jump of 360 at the 180th
// meridian): each within 180 degrees of the one before.
function unwrap(lon, previous) {
  return previous === null ? lon : lon + 360 * Math.round((previous - lon) / 360);
}

function chartMap() {
  if (chart.map) return chart.map;
  const map = L.map("chart", {attributionControl: false, zoomSnap: 0.25, minZoom: 1, maxZoom: 13,
                              worldCopyJump: false, keyboard: true, doubleClickZoom: false});
  chart.map = map;
  map.getContainer().setAttribute("aria-label", "Chart of the passage: arrow keys pan, + and - zoom; " +
                                   "click or tap to add a waypoint, drag one to move it, Delete to remove it");
  map.getContainer().setAttribute("role", "application");
  // The land, three times over (the tracks run on past the 180th meridian
  // either way); even-odd as the rings are.
  const land = JSON.parse(sailings.ccall("sailings_land", "string", [], []));
  for (const turn of [-360, 0, 360]) {
    const shifted = land.geometry.coordinates.map((ring) => ring.map(([x, y]) => [y, x + turn]));
    L.polygon(shifted, {stroke: true, color: "#8c7e5c", weight: 0.8, fillColor: "#eee4c8", fillOpacity: 1,
                        fillRule: "evenodd", interactive: false}).addTo(map);
  }
  chart.tracks = L.layerGroup().addTo(map);
  chart.marks = L.layerGroup().addTo(map);
  map.setView([20, 0], 2);
  map.on("click", (e) => {
    if (chart.dragging) return;
    const {lat, lng} = e.latlng;
    if (Math.abs(lat) > 89.9) return;
    chart.editing = true;
    leaveFile();
    waypointRow(positionText(lat, lng));
    update();
  });
  return map;
}

// A position as the waypoints take it, in the navigator's notation to a
// tenth of a minute (about 0.1 NM), by the library's own writer.
function positionText(lat, lon) {
  return `${navigatorCell("lat", lat.toFixed(9))} ${navigatorCell("lon", lon.toFixed(9))}`;
}

// The tracks of a plan's GeoJSON, each one line with continuous longitudes
// (a line the writer split at the 180th meridian joined again).
function trackLines(geo, startLon) {
  const lines = [];
  let previous = startLon;
  for (const f of geo.features) {
    if (!f.geometry || (f.geometry.type !== "LineString" && f.geometry.type !== "MultiLineString")) continue;
    const parts = f.geometry.type === "LineString" ? [f.geometry.coordinates] : f.geometry.coordinates;
    const line = [];
    let last = f.properties.leg > 1 ? previous : startLon;
    for (const part of parts) {
      for (const [x, y] of part) {
        last = unwrap(x, last);
        line.push([y, last]);
      }
    }
    previous = last;
    lines.push({track: f.properties.track || "great-ellipse", name: f.properties.name, nm: f.properties.distance_nm, line});
  }
  return lines;
}

function drawTracks(geo, startLon) {
  chart.tracks.clearLayers();
  const lines = trackLines(geo, startLon);
  for (const t of lines) {
    const s = TRACK_STYLES[t.track] || TRACK_STYLES["great-ellipse"];
    L.polyline(t.line, {color: s.color, weight: 2.5, dashArray: s.dash || null, interactive: false,
                        className: "track track-" + t.track}).addTo(chart.tracks);
  }
  return lines;
}

// The legend below the chart (never over it): each sailing drawn, its
// pattern and colour.
function drawLegend(lines, land) {
  const seen = new Map();
  for (const t of lines) if (!seen.has(t.track)) seen.set(t.track, TRACK_STYLES[t.track] || TRACK_STYLES["great-ellipse"]);
  $("chart-legend").innerHTML = [...seen.values()].map((s) =>
    `<li><svg width="40" height="10" aria-hidden="true"><line x1="0" y1="5" x2="40" y2="5" stroke="${s.color}" ` +
    `stroke-width="2.5"${s.dash ? ` stroke-dasharray="${s.dash}"` : ""}/></svg> ${s.name}</li>`).join("") +
    (land ? '<li><svg width="16" height="16" aria-hidden="true"><circle cx="8" cy="8" r="6" fill="#e74c3c" stroke="#7b241c" ' +
            'stroke-width="2.5"/></svg> where a track first crosses land (1:10m coastline)</li>' : "");
}

// Shows the plan: its tracks (a GeoJSON text) and its waypoints (`marks`,
// [lat, lon, label] in degrees); `editable` where the waypoints are the
// page's own (not a file's); `crossings`, [lat, lon, what] where the land
// check finds a track first crossing land.
function showChart(geoText, marks, editable, crossings) {
  const map = chartMap();
  const geo = JSON.parse(geoText);
  let previous = null;
  const points = marks.map(([lat, lon, label]) => { previous = unwrap(lon, previous); return [lat, previous, label]; });
  const lines = drawTracks(geo, points.length ? points[0][1] : null);
  drawLegend(lines, crossings.length > 0);
  chart.marks.clearLayers();
  points.forEach(([lat, lon, label], i) => {
    const icon = L.divIcon({className: "wp-mark", html: `<span>${i + 1}</span>`, iconSize: [28, 28], iconAnchor: [14, 14]});
    const m = L.marker([lat, lon], {icon, draggable: editable, keyboard: true, autoPan: true,
                                    title: `Waypoint ${i + 1}: ${label}`, alt: `Waypoint ${i + 1}`}).addTo(chart.marks);
    m.bindTooltip(escapeHtml(label), {permanent: true, direction: "auto", offset: [0, 0], className: "wp-label"});
    if (editable) markerEvents(m, i);
  });
  for (const [lat, lon, what] of crossings) {
    const near = points.length ? points.reduce((a, p) => (Math.abs(p[1] - lon) < Math.abs(a - lon) ? p[1] : a), points[0][1]) : lon;
    L.circleMarker([lat, unwrap(lon, near)], {radius: 7, color: "#7b241c", weight: 2.5, fillColor: "#e74c3c", fillOpacity: 0.9,
                                              className: "land-crossing", interactive: false})
      .bindTooltip(escapeHtml(what), {permanent: false}).addTo(chart.marks);
  }
  // The view fitted to a plan changed off the chart (typed, opened, an
  // address); one worked on the chart keeps the view the navigator chose.
  const key = JSON.stringify(points.map((p) => [p[0], p[1]]));
  if (!chart.editing && key !== chart.lastFit) {
    const all = lines.flatMap((t) => t.line).concat(points.map((p) => [p[0], p[1]]));
    if (all.length) map.fitBounds(L.latLngBounds(all), {padding: [30, 30], maxZoom: 9, animate: false});
  }
  chart.lastFit = key;
  chart.editing = false;
}

// Where the land check finds each track first crossing land, for the
// chart: [lat, lon, what] (a route's records, or a voyage's warnings).
function landCrossings(p, cmd, records, warnings) {
  if (p.land !== "1" || p.sea === "1") return [];
  const out = [];
  if (cmd.voyage) {
    for (const m of warnings.matchAll(/^warning: leg (\d+) \(([^)]*)\) crosses land near (\S+ \S+) \(/gm)) {
      const a = sailings.ccall("sailings_place", "string", ["string"], [m[3]]).split("\t");
      if (a[0] === "ok") out.push([Number(a[4]), Number(a[5]), `Leg ${m[1]} (${m[2]}) crosses land near ${m[3]}`]);
    }
    return out;
  }
  for (const [key, what] of [["ge_crosses_land", "The great ellipse"], ["rhumb_crosses_land", "The rhumb line"],
                             ["composite_crosses_land", "The composite track"]]) {
    const v = records[0] && records[0][key];
    if (!v) continue;
    const [lat, lon] = v.replace(/^\[|\]$/g, "").split(",").map(Number);
    out.push([lat, lon, `${what} crosses land near ${navigatorCell("lat", String(lat))} ${navigatorCell("lon", String(lon))}`]);
  }
  return out;
}

// A waypoint dragged: its field follows and the tracks are redrawn from the
// library as it goes (once a frame); the plan worked out whole when dropped.
function markerEvents(m, i) {
  let frame = 0;
  const input = () => $("waypoints").querySelectorAll("input.place")[i];
  m.on("dragstart", () => { chart.dragging = true; leaveFile(); });
  m.on("drag", () => {
    if (frame) return;
    frame = requestAnimationFrame(() => {
      frame = 0;
      const {lat, lng} = m.getLatLng();
      input().value = positionText(lat, lng);
      redrawWhileDragging();
    });
  });
  m.on("dragend", () => {
    cancelAnimationFrame(frame);
    frame = 0;
    const {lat, lng} = m.getLatLng();
    input().value = positionText(lat, lng);
    chart.editing = true;
    update();
    setTimeout(() => { chart.dragging = false; }, 0);  // (the click that ends a drag adds nothing)
  });
  const remove = () => {
    const li = $("waypoints").children[i];
    if (li && $("waypoints").children.length > 2) li.querySelector(".remove").click();
  };
  m.getElement().addEventListener("keydown", (e) => {
    if (e.key === "Delete" || e.key === "Backspace") {
      e.preventDefault();
      chart.editing = true;
      remove();
    }
  });
  m.on("contextmenu", (e) => {
    L.DomEvent.preventDefault(e.originalEvent);
    chart.editing = true;
    remove();
  });
}

// While a waypoint is dragged, only the tracks: the plan's GeoJSON for the
// positions now in the fields (a sea passage waits for the drop).
function redrawWhileDragging() {
  const started = performance.now();
  const p = plan();
  if (p.sea === "1") return;
  const cmd = commands(p);
  if (!cmd || cmd.why) return;
  cmd.name = p.name;
  const geo = writeFile(cmd, "geojson");
  if (geo.error) return;
  const marks = chartMarks(p);
  drawTracks(JSON.parse(new TextDecoder().decode(geo.bytes)), marks.length ? marks[0][1] : null);
  chart.redraws.push(performance.now() - started);
}
