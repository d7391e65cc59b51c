// The link of a quiz made of bank molecules: index.html?m=CODE&style=STYLE&title=TITLE,
// or with t=TEXT in place of title=TITLE.
//  - CODE: the bank IDs in ascending order, written as the first ID, then the difference
//    to each next one (at least 1), each as an unsigned LEB128 number (7 bits a byte,
//    low bits first, the top bit set on all but a number's last byte), and the bytes in
//    base64url without padding: 40 molecules take some 60 characters.
//  - STYLE: the naming style, uk, iupac or us.
//  - TITLE: 1 to 40 characters that the quiz's font shows (printable Latin-1), encoded
//    as a query's value, a space as "+". TEXT is the same title as its Latin-1 bytes in
//    base64url, which the maker writes where it is the shorter: an accented letter takes
//    6 characters of TITLE but 1.33 of TEXT, so that a 40-molecule link stays within 200
//    characters whatever its title.
// The link holds nothing else: never a name or a file path.

export var MAX_MOLECULES = 500;
export var MAX_TITLE_LENGTH = 40;
export var STYLES = ['uk', 'iupac', 'us'];

var ALPHABET = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_';
// The largest number a CODE may hold: 4 LEB128 bytes, far above any bank ID.
var MAX_NUMBER = 0x0fffffff;
var SHOWABLE = /^[\x20-\x7e\xa0-\xff]*$/;

// Whether every character of title is printable Latin-1, which the quiz's font shows.
export function showable(title) {
  return SHOWABLE.test(title);
}

// bytes (numbers 0 to 255) in base64url without padding.
function toBase64Url(bytes) {
  var text = '';
  for (var i = 0; i < bytes.length; i += 3) {
    var chunk = (bytes[i] << 16) | ((bytes[i + 1] || 0) << 8) | (bytes[i + 2] || 0);
    var digits = Math.min(4, Math.ceil((bytes.length - i) * 8 / 6));
    for (var k = 0; k < digits; k++) {
      text += ALPHABET[(chunk >> (18 - 6 * k)) & 63];
    }
  }
  return text;
}

// The bytes of base64url text without padding, or null where it is no such text.
function fromBase64Url(text) {
  if (text.length % 4 === 1) {
    return null;
  }
  var bytes = [];
  var bits = 0;
  var count = 0;
  for (var i = 0; i < text.length; i++) {
    var digit = ALPHABET.indexOf(text[i]);
    if (digit < 0) {
      return null;
    }
    bits = (bits << 6) | digit;
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push((bits >> count) & 255);
      bits &= (1 << count) - 1;
    }
  }
  return bytes;
}

// The CODE of bank IDs ids (positive whole numbers, in any order, no repeats).
export function encodeIds(ids) {
  var sorted = ids.slice().sort(function(a, b) { return a - b; });
  var bytes = [];
  sorted.forEach(function(id, index) {
    var number = index === 0 ? id : id - sorted[index - 1];
    do {
      var low = number & 127;
      number = Math.floor(number / 128);
      bytes.push(number > 0 ? low | 128 : low);
    } while (number > 0);
  });
  return toBase64Url(bytes);
}

// {ids} of a CODE, ascending, or {error: 'malformed'} or {error: 'repeated'} (a
// difference of 0).
function decode(code) {
  var bytes = fromBase64Url(code);
  if (bytes === null) {
    return {error: 'malformed'};
  }
  var ids = [];
  var number = 0;
  var shift = 0;
  var repeated = false;
  for (var i = 0; i < bytes.length; i++) {
    number += (bytes[i] & 127) * Math.pow(2, shift);
    shift += 7;
    if (number > MAX_NUMBER) {
      return {error: 'malformed'};
    }
    if (bytes[i] & 128) {
      continue;
    }
    if (ids.length > 0 && number === 0) {
      repeated = true;
    }
    ids.push(ids.length === 0 ? number : ids[ids.length - 1] + number);
    number = 0;
    shift = 0;
  }
  if (shift !== 0) {
    return {error: 'malformed'};  // the last number is cut short
  }
  return repeated ? {error: 'repeated'} : {ids: ids};
}

// The bank IDs of a CODE, ascending, or null where it is malformed or repeats an ID.
export function decodeIds(code) {
  var decoded = decode(code);
  return decoded.error ? null : decoded.ids;
}

// The shorter of title=TITLE and t=TEXT for title (printable Latin-1).
function titleParameter(title) {
  var plain = encodeURIComponent(title).replace(/%20/g, '+');
  var bytes = Array.from(title, function(character) { return character.charCodeAt(0); });
  var packed = toBase64Url(bytes);
  return packed.length < plain.length ? 't=' + packed : 'title=' + plain;
}

// The title of a t=TEXT, or null where TEXT is no base64url.
function unpackTitle(text) {
  var bytes = fromBase64Url(text);
  return bytes === null ? null : bytes.map(function(byte) {
    return String.fromCharCode(byte);
  }).join('');
}

// The query of the link of the quiz of bank IDs ids in style with title, starting "?".
export function composedHref(ids, style, title) {
  return '?m=' + encodeIds(ids) + '&style=' + encodeURIComponent(style) + '&' +
      titleParameter(title);
}

// Why title (a string or null) cannot be a quiz's title, or null when it can.
function titleProblem(title) {
  if (title === null || title === '') {
    return 'it has no title';
  }
  if (!showable(title)) {
    return 'its title has characters the quiz cannot show';
  }
  if (title.length > MAX_TITLE_LENGTH) {
    return 'its title is longer than ' + MAX_TITLE_LENGTH + ' characters';
  }
  return null;
}

// Why the link's CODE, style and title make no quiz of the bank's molecules, or null.
function linkProblem(code, style, title, bank) {
  var decoded = decode(code);
  if (decoded.error === 'malformed') {
    return 'its list of molecules is damaged';
  }
  if (decoded.error === 'repeated') {
    return 'it names a molecule twice';
  }
  if (decoded.ids.length === 0) {
    return 'it names no molecules';
  }
  if (decoded.ids.length > MAX_MOLECULES) {
    return 'it names ' + decoded.ids.length + ' molecules, and a quiz holds at most ' +
        MAX_MOLECULES;
  }
  if (STYLES.indexOf(style) < 0) {
    return 'it asks for the naming style "' + style + '", which is not one of ' +
        STYLES.join(', ');
  }
  var problem = titleProblem(title);
  if (problem !== null) {
    return problem;
  }
  var held = new Set(bank.molecules.map(function(molecule) { return molecule.id; }));
  var missing = decoded.ids.filter(function(id) { return !held.has(id); });
  if (missing.length > 0) {
    return 'this site\'s bank does not hold (or no longer holds) molecule ' +
        missing.join(', ');
  }
  return null;
}

// {ids, style, title} of the link's parameters (URLSearchParams) for bank (the parsed
// bank/index.json), or {error} with a message for the student.
export function readComposed(params, bank) {
  var code = params.get('m') || '';
  var style = params.get('style') || '';
  var title = params.has('t') ? unpackTitle(params.get('t')) : params.get('title');
  var problem = params.has('t') && params.has('title') ? 'it has two titles' :
      params.has('t') && title === null ? 'its title is damaged' :
      linkProblem(code, style, title, bank);
  if (problem !== null) {
    var quiz = titleProblem(title) === null ? 'The quiz link "' + title + '"' : 'This quiz link';
    return {error: quiz + ' cannot be played: ' + problem + '.'};
  }
  return {ids: decodeIds(code), style: style, title: title};
}
