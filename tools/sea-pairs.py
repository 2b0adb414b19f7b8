#!/usr/bin/env python3
"""Sea passages of every pair of 30 ports, measured: how many are planned,
how many keep the clearance all the way (no narrows told), the median and
the worst ratio of the sea passage's length to the geodesic, the time per
passage, and beside them searoute-js (npm; its own network of sea lanes):
its length, and whether its route crosses land by `sailings check --land`.

  tools/sea-pairs.py [--program build/default/sailings] [--no-peer]

The 30 ports: the bundled location list's 23 places and the 7 of
tools/sea-ports.txt. The peer is installed into build/sea-pairs with npm
(the registry this machine reaches).
A developer's tool: it takes minutes (435 passages, one process each)."""
import argparse, concurrent.futures, json, os, statistics, subprocess, sys, tempfile, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# searoute-js 0.1.0 gives "nm" as statute miles times 1.15078 (it should
# divide): its lengths are 1.15078 squared times the nautical miles.
NM_FIX = 1.15078 ** 2
PEER = """
const searoute = require('searoute-js');
const pairs = JSON.parse(require('fs').readFileSync(process.argv[2], 'utf8'));
const out = [];
const log = console.log; console.log = () => {};   // the package prints as it snaps
for (const [a, b] of pairs) {
  const t = Date.now();
  let r = null;
  try { r = searoute({type: 'Feature', geometry: {type: 'Point', coordinates: [a[1], a[0]]}},
                     {type: 'Feature', geometry: {type: 'Point', coordinates: [b[1], b[0]]}}); }
  catch (e) { r = null; }
  out.push(r ? {nm: r.properties.length, ms: Date.now() - t, line: r.geometry.coordinates}
             : {nm: null, ms: Date.now() - t});
}
require('fs').writeFileSync(process.argv[3], JSON.stringify(out));
"""


def line_nm(line):
    """The length (NM) of a line of [lon, lat] points, each piece a geodesic
    (GeographicLib's GeodSolve, one process for the line; its input in fixed
    point: it reads the 'e' of 2e-05 as east). None without GeodSolve."""
    pieces = "".join(f"{p[1]:.9f} {p[0]:.9f} {q[1]:.9f} {q[0]:.9f}\n" for p, q in zip(line, line[1:]))
    try:
        out = subprocess.run(["GeodSolve", "-i", "-p", "3"], input=pieces, capture_output=True,
                             text=True, check=True).stdout.split("\n")
        return sum(float(row.split()[2]) for row in out if row.strip()) / 1852.0
    except (OSError, subprocess.CalledProcessError, ValueError, IndexError):
        return None


def ports():
    places = []
    for path in (("data", "input.txt"), ("tools", "sea-ports.txt")):
        for line in open(os.path.join(ROOT, *path), encoding="utf-8"):
            if "\t" in line and not line.startswith("#"):
                name, position = line.rstrip("\n").split("\t")
                lat, lon = map(float, position.split())
                places.append((name, lat, lon))
    return places


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", default=os.path.join(ROOT, "build", "default", "sailings"))
    parser.add_argument("--no-peer", action="store_true")
    parser.add_argument("--jobs", type=int, default=1, help="passages at once (times are then longer)")
    parser.add_argument("--only", help="the pairs with this port only")
    args = parser.parse_args()
    places = ports()
    pairs = [(places[i], places[j]) for i in range(len(places)) for j in range(i + 1, len(places))]
    if args.only:
        pairs = [p for p in pairs if args.only in (p[0][0], p[1][0])]

    def one(pair):
        a, b = pair
        ends = [f"{a[1]}", f"{a[2]}", f"{b[1]}", f"{b[2]}"]
        started = time.time()
        try:
            run = subprocess.run([args.program, "route", *ends, "--sea", "--json"], capture_output=True,
                                 text=True, timeout=120)
        except subprocess.TimeoutExpired:
            run = subprocess.CompletedProcess([], 1, "", "timed out after 120 s")
        spent = time.time() - started
        line = subprocess.run([args.program, "route", *ends, "--compare", "--json"], capture_output=True, text=True)
        geodesic = json.loads(line.stdout.splitlines()[-1])["geodesic_nm"]
        legs = [json.loads(x) for x in run.stdout.splitlines() if x.startswith("{")]
        row = {"a": a[0], "b": b[0], "ok": run.returncode == 0,
               "nm": legs[-1]["total_nm"] if legs else None, "geodesic": geodesic,
               "narrows": "narrows" in run.stderr, "polar": "polar waters" in run.stderr,
               "error": run.stderr.strip().splitlines()[-1] if run.returncode else "", "time": spent}
        if not row["ok"]:
            print(f"  refused: {a[0]} - {b[0]}: {row['error']} ({spent:.1f} s)", flush=True)
        return row

    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        rows = list(pool.map(one, pairs))
    times = [r["time"] for r in rows]
    ok = [r for r in rows if r["ok"]]
    ratios = sorted(r["nm"] / r["geodesic"] for r in ok)
    worst = max(ok, key=lambda r: r["nm"] / r["geodesic"])
    print(f"{len(pairs)} pairs of {len(places)} ports: {len(ok)} planned, "
          f"{sum(not r['narrows'] for r in ok)} keep the clearance all the way "
          f"({sum(r['narrows'] for r in ok)} pass narrows), {sum(r['polar'] for r in ok)} reach polar waters")
    print(f"length / geodesic: median {statistics.median(ratios):.4f}, worst {ratios[-1]:.3f} "
          f"({worst['a']} - {worst['b']})")
    print(f"time per passage (whole process): median {statistics.median(times):.2f} s, "
          f"worst {max(times):.2f} s, all {sum(times):.0f} s")
    if args.no_peer:
        return
    peer = os.path.join(ROOT, "build", "sea-pairs")
    os.makedirs(peer, exist_ok=True)
    if not os.path.isdir(os.path.join(peer, "node_modules", "searoute-js")):
        subprocess.run(["npm", "install", "--prefix", peer, "searoute-js@0.1.0"], check=True,
                       stdout=subprocess.DEVNULL)
    with tempfile.TemporaryDirectory(prefix="sailings-pairs-") as work:
        with open(os.path.join(work, "pairs.json"), "w") as f:
            json.dump([[[a[1], a[2]], [b[1], b[2]]] for a, b in pairs], f)
        with open(os.path.join(peer, "peer.js"), "w") as f:
            f.write(PEER)
        subprocess.run(["node", os.path.join(peer, "peer.js"), os.path.join(work, "pairs.json"),
                        os.path.join(work, "peer.json")], check=True, cwd=peer)
        found = json.load(open(os.path.join(work, "peer.json")))
        crossing, longer, shorter, compared, measured = 0, 0, 0, [], []
        for k, (r, p) in enumerate(zip(rows, found)):
            if p["nm"] is None:
                continue
            # Its route as a GeoJSON line, checked for land by the program.
            path = os.path.join(work, f"peer{k}.geojson")
            line = [c for i, c in enumerate(p["line"]) if i == 0 or c != p["line"][i - 1]]
            json.dump({"type": "Feature", "properties": {},
                       "geometry": {"type": "LineString", "coordinates": line}}, open(path, "w"))
            check = subprocess.run([args.program, "check", path, "--land"], capture_output=True, text=True)
            if "land" in check.stdout:
                crossing += 1
            if r["ok"]:
                compared.append(p["nm"] / NM_FIX / r["nm"])
                along = line_nm(line)
                if along is not None:
                    measured.append(along / r["nm"])
        ms = sorted(p["ms"] for p in found)
        print(f"searoute-js 0.1.0: {sum(p['nm'] is not None for p in found)} routes, "
              f"{crossing} cross land (sailings check --land); its length / this passage's: "
              f"median {statistics.median(compared):.4f}, least {min(compared):.3f}, most {max(compared):.3f}; "
              f"time per route median {statistics.median(ms)} ms")
        if measured:
            # (Its own lengths are on a sphere, between the ends it snaps to
            # its network: measured along its line they differ by a percent.)
            print(f"searoute-js measured along its line (GeodSolve) / this passage's: "
                  f"median {statistics.median(measured):.4f}, least {min(measured):.3f}, "
                  f"most {max(measured):.3f}")


if __name__ == "__main__":
    sys.exit(main())
