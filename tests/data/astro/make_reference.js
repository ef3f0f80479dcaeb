// Writes the astronomy reference tables of this folder from an independent library.
// Run: npm install --prefix /tmp/ae astronomy-engine
//      NODE_PATH=/tmp/ae/node_modules node tests/data/astro/make_reference.js tests/data/astro
'use strict';
const fs = require('fs');
const path = require('path');
const A = require('astronomy-engine');

const outDir = process.argv[2] || __dirname;

// Small deterministic generator so that the tables are reproducible.
function mulberry32(seed) {
  return function () {
    seed |= 0; seed = (seed + 0x6d2b79f5) | 0;
    let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}
const rand = mulberry32(20261207);
const uniform = (lo, hi) => lo + (hi - lo) * rand();

const START = Date.UTC(2026, 0, 1);
const END = Date.UTC(2031, 0, 1);
const DAY = 86400000;

function iso(ms) { return new Date(ms).toISOString().replace('.000Z', 'Z'); }
function norm180(x) { x = ((x % 360) + 360) % 360; return x > 180 ? x - 360 : x; }
function fix(x, n) { return x.toFixed(n); }

// Geocentric equatorial coordinates of date (RA hours, dec degrees).
function equatorOfDate(body, time) {
  const v = A.RotateVector(A.Rotation_EQJ_EQD(time), A.GeoVector(body, time, true));
  return A.EquatorFromVector(v);
}

// Positions: sub-solar and sub-lunar points, elevation and azimuth of both bodies seen
// from a random point (geocentric directions, no refraction), and the Moon's signed
// unlit fraction (negative while waxing).
{
  const rows = ['utc,sun_lat,sun_lon,moon_lat,moon_lon,phase,obs_lat,obs_lon,sun_elev,sun_azim,moon_elev,moon_azim'];
  for (let i = 0; i < 600; ++i) {
    const ms = Math.floor(uniform(START, END) / 1000) * 1000;
    const time = A.MakeTime(new Date(ms));
    const gast = A.SiderealTime(time);
    const sun = equatorOfDate(A.Body.Sun, time);
    const moon = equatorOfDate(A.Body.Moon, time);
    const illum = A.Illumination(A.Body.Moon, time);
    const elong = A.MoonPhase(time);  // 0 new, 180 full
    const unlit = (1 - illum.phase_fraction) * (elong < 180 ? -1 : 1);
    const obs = new A.Observer(uniform(-80, 80), uniform(-180, 180), 0);
    const hs = A.Horizon(time, obs, sun.ra, sun.dec);
    const hm = A.Horizon(time, obs, moon.ra, moon.dec);
    rows.push([iso(ms), fix(sun.dec, 5), fix(norm180(15 * (sun.ra - gast)), 5),
               fix(moon.dec, 5), fix(norm180(15 * (moon.ra - gast)), 5), fix(unlit, 5),
               fix(obs.latitude, 4), fix(obs.longitude, 4),
               fix(hs.altitude, 4), fix(hs.azimuth, 4), fix(hm.altitude, 4), fix(hm.azimuth, 4)].join(','));
  }
  fs.writeFileSync(path.join(outDir, 'positions.csv'), rows.join('\n') + '\n');
}

// Sunrise and sunset: for a UTC date and a point, the last sunrise before and the first
// sunset after the local solar noon (12h UT less the longitude's hours), in minutes
// after 0h UT of the date; "none" when the body does not rise or set within 12 hours.
{
  const rows = ['date,lat,lon,rise_min,set_min'];
  const add = (ms, lat, lon) => {
    const obs = new A.Observer(lat, lon, 0);
    const noon = A.MakeTime(new Date(ms + 12 * 3600000 - lon / 15 * 3600000));
    const rise = A.SearchRiseSet(A.Body.Sun, obs, +1, noon, -0.5);
    const set = A.SearchRiseSet(A.Body.Sun, obs, -1, noon, +0.5);
    const minutes = (t) => (t === null ? 'none' : fix((t.date.getTime() - ms) / 60000, 3));
    rows.push([iso(ms).slice(0, 10), fix(lat, 4), fix(lon, 4), minutes(rise), minutes(set)].join(','));
  };
  for (let i = 0; i < 800; ++i) {
    const ms = START + Math.floor(uniform(0, (END - START) / DAY)) * DAY;
    add(ms, uniform(-64, 64), uniform(-180, 180));
  }
  // Polar rows: days of polar day and night come out as "none".
  for (let i = 0; i < 200; ++i) {
    const ms = START + Math.floor(uniform(0, (END - START) / DAY)) * DAY;
    const lat = uniform(66, 85) * (rand() < 0.5 ? -1 : 1);
    add(ms, lat, uniform(-180, 180));
  }
  fs.writeFileSync(path.join(outDir, 'sunrise_sunset.csv'), rows.join('\n') + '\n');
}

// Moonrise and moonset: every rise and set between one hour before and one hour after
// the local day that starts at local midnight of the date in a zone of whole hours,
// in hours after that midnight, separated by ';' (empty when there is none).
{
  const rows = ['date,zone_hours,lat,lon,rises,sets'];
  for (let i = 0; i < 800; ++i) {
    const ms = START + Math.floor(uniform(0, (END - START) / DAY)) * DAY;
    const lat = uniform(-60, 60);
    const lon = uniform(-180, 180);
    const zone = Math.round(lon / 15);
    const obs = new A.Observer(lat, lon, 0);
    const midnight = ms - zone * 3600000;
    const events = (direction) => {
      const out = [];
      let t = A.MakeTime(new Date(midnight - 3600000));
      for (;;) {
        const e = A.SearchRiseSet(A.Body.Moon, obs, direction, t, 26 / 24);
        if (e === null) break;
        const h = (e.date.getTime() - midnight) / 3600000;
        if (h > 25) break;
        out.push(fix(h, 4));
        t = e.AddDays(0.01);
      }
      return out.join(';');
    };
    rows.push([iso(ms).slice(0, 10), zone, fix(lat, 4), fix(lon, 4), events(+1), events(-1)].join(','));
  }
  fs.writeFileSync(path.join(outDir, 'moonrise_moonset.csv'), rows.join('\n') + '\n');
}
