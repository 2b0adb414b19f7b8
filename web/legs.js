// Each leg's own sailing and speed, as a voyage from a route file has them:
// the controls under each waypoint from the second (the leg arriving
// there), the plan's part of them (in the address as one `leg=SAILING:KN`
// for each waypoint from the second), and the route file the command line
// then reads: CSV of name, lat, lon, sailing and speed_kn, each row's
// sailing and speed those of the leg arriving at it. A leg without its own
// takes the passage's. (Loaded before app.js; they share its globals.)
"use strict";

const LEG_SAILINGS = {"": "as the passage", "great-ellipse": "great ellipse", "rhumb": "rhumb line", "geodesic": "geodesic"};

// The controls of the leg arriving at the waypoint of `li`.
function legControls(li, leg) {
  const div = document.createElement("div");
  div.className = "leg";
  div.innerHTML = '<label class="leg-label"><span class="ln"></span> sailing</label><select class="leg-sailing">' +
    Object.entries(LEG_SAILINGS).map(([v, t]) => `<option value="${v}">${t}</option>`).join("") + "</select>" +
    '<label class="leg-label"><span class="ln"></span> speed (kn)</label>' +
    '<input class="leg-speed" inputmode="decimal" placeholder="as the passage">';
  const [sailing, speed] = leg || ["", ""];
  div.querySelector(".leg-sailing").value = sailing in LEG_SAILINGS ? sailing : "";
  div.querySelector(".leg-speed").value = speed || "";
  div.querySelector(".leg-sailing").addEventListener("change", () => { leaveFile(); update(); });
  div.querySelector(".leg-speed").addEventListener("input", () => { leaveFile(); schedule(); });
  li.insertBefore(div, li.querySelector(".error"));
}

// Names the controls of row `i` (from 0); the first waypoint has no leg.
function numberLeg(li, i) {
  const div = li.querySelector(".leg");
  div.hidden = i === 0;
  for (const s of div.querySelectorAll(".ln")) s.textContent = `Leg ${i}`;
  const [sailing, speed] = div.querySelectorAll("label");
  div.querySelector(".leg-sailing").id = sailing.htmlFor = `wp${i + 1}-sailing`;
  div.querySelector(".leg-speed").id = speed.htmlFor = `wp${i + 1}-speed`;
}

// Each waypoint's leg as the form holds it: [sailing, speed] (the first's empty).
function formLegs() {
  return [...$("waypoints").children].map((li, i) => (i === 0 ? ["", ""] :
    [li.querySelector(".leg-sailing").value, li.querySelector(".leg-speed").value.trim()]));
}

function hasOwnLegs(legs) { return (legs || []).slice(1).some(([s, v]) => s || v); }

function legsToAddress(q, legs) {
  if (hasOwnLegs(legs)) for (const [s, v] of legs.slice(1)) q.append("leg", `${s}:${v}`);
}

// The legs of an address; an unknown sailing is left out and named in `unknown`.
function legsFromAddress(q, count, unknown) {
  const given = q.getAll("leg");
  const legs = [["", ""]];
  for (let i = 1; i < count; ++i) {
    const [s, ...v] = (given[i - 1] || ":").split(":");
    if (s && !(s in LEG_SAILINGS)) unknown.push(`leg sailing '${s}'`);
    legs.push([s in LEG_SAILINGS ? s : "", v.join(":")]);
  }
  return legs;
}

// The route file of a plan whose legs have their own sailing or speed,
// written in the page's file system from the waypoints as read (`answers`
// of sailings_place: a place's name and position, or a position's texts):
// {path, name}, or null when no leg has its own.
function legRoute(p, answers) {
  if (!hasOwnLegs(p.legs)) return null;
  const field = (t) => (/[",\r\n]/.test(t) ? `"${t.replace(/"/g, '""')}"` : t);
  const rows = ["name,lat,lon,sailing,speed_kn"];
  answers.forEach((a, i) => {
    const [s, v] = i === 0 ? ["", ""] : p.legs[i];
    rows.push([a[1], a[1] ? a[4] : a[2], a[1] ? a[5] : a[3], s, v].map(field).join(","));
  });
  const name = fileStem(p.name) + " (route).csv", path = "/plan/in/legs.csv";
  try { sailings.FS.mkdir("/plan/in"); } catch (e) { /* there */ }
  sailings.FS.writeFile(path, rows.join("\n") + "\n");
  return {path, name};
}
