// A .zip archive of files, written in the page: every file stored as it is (no
// compression, which every unzip tool reads), with a fixed date so that the same
// files give the same bytes.

var CRC_TABLE = (function() {
  var table = new Uint32Array(256);
  for (var n = 0; n < 256; n += 1) {
    var c = n;
    for (var k = 0; k < 8; k += 1) {
      c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    }
    table[n] = c >>> 0;
  }
  return table;
})();

// The CRC-32 of bytes, as zip files record it.
export function crc32(bytes) {
  var crc = 0xffffffff;
  for (var i = 0; i < bytes.length; i += 1) {
    crc = CRC_TABLE[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
  }
  return (crc ^ 0xffffffff) >>> 0;
}

// A little-endian header of fields [[value, size in bytes], ...].
function header(fields) {
  var size = fields.reduce(function(sum, field) { return sum + field[1]; }, 0);
  var bytes = new Uint8Array(size);
  var view = new DataView(bytes.buffer);
  var at = 0;
  fields.forEach(function(field) {
    if (field[1] === 2) {
      view.setUint16(at, field[0], true);
    } else {
      view.setUint32(at, field[0], true);
    }
    at += field[1];
  });
  return bytes;
}

var DOS_DATE = (1 << 5) | 1;  // 1980-01-01, the earliest date a zip can hold
var UTF8_NAMES = 1 << 11;

// A Blob of the zip archive of files [{name, bytes}] (name a relative path with "/").
export function zipBlob(files) {
  var parts = [];
  var central = [];
  var offset = 0;
  files.forEach(function(file) {
    var name = new TextEncoder().encode(file.name);
    var bytes = file.bytes instanceof Uint8Array ? file.bytes : new Uint8Array(file.bytes);
    var crc = crc32(bytes);
    var local = header([[0x04034b50, 4], [20, 2], [UTF8_NAMES, 2], [0, 2], [0, 2], [DOS_DATE, 2],
                        [crc, 4], [bytes.length, 4], [bytes.length, 4], [name.length, 2], [0, 2]]);
    central.push(header([[0x02014b50, 4], [20, 2], [20, 2], [UTF8_NAMES, 2], [0, 2], [0, 2],
                         [DOS_DATE, 2], [crc, 4], [bytes.length, 4], [bytes.length, 4],
                         [name.length, 2], [0, 2], [0, 2], [0, 2], [0, 2], [0, 4],
                         [offset, 4]]), name);
    parts.push(local, name, bytes);
    offset += local.length + name.length + bytes.length;
  });
  var centralSize = central.reduce(function(sum, part) { return sum + part.length; }, 0);
  var end = header([[0x06054b50, 4], [0, 2], [0, 2], [files.length, 2], [files.length, 2],
                    [centralSize, 4], [offset, 4], [0, 2]]);
  return new Blob(parts.concat(central, [end]), {type: 'application/zip'});
}
