// A .zip archive of files, written in the page, with a fixed date so that the same
// files give the same bytes: every file stored as it is (which every unzip tool reads),
// or deflated where that is asked for (CompressionStream's raw deflate).

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
var STORED = 0;
var DEFLATED = 8;

// bytes (an ArrayBuffer or a Uint8Array) as a Uint8Array.
function asBytes(bytes) {
  return bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes);
}

// A Blob of the zip archive of entries [{name, bytes, data, method}]: bytes the file's
// content, data what the archive holds of it (bytes themselves when method is STORED).
function archive(entries) {
  var parts = [];
  var central = [];
  var offset = 0;
  entries.forEach(function(entry) {
    var name = new TextEncoder().encode(entry.name);
    var crc = crc32(entry.bytes);
    var sizes = [[crc, 4], [entry.data.length, 4], [entry.bytes.length, 4], [name.length, 2]];
    var local = header([[0x04034b50, 4], [20, 2], [UTF8_NAMES, 2], [entry.method, 2], [0, 2],
                        [DOS_DATE, 2]].concat(sizes, [[0, 2]]));
    central.push(header([[0x02014b50, 4], [20, 2], [20, 2], [UTF8_NAMES, 2], [entry.method, 2],
                         [0, 2], [DOS_DATE, 2]].concat(sizes, [[0, 2], [0, 2], [0, 2], [0, 2],
                                                              [0, 4], [offset, 4]])), name);
    parts.push(local, name, entry.data);
    offset += local.length + name.length + entry.data.length;
  });
  var centralSize = central.reduce(function(sum, part) { return sum + part.length; }, 0);
  var end = header([[0x06054b50, 4], [0, 2], [0, 2], [entries.length, 2], [entries.length, 2],
                    [centralSize, 4], [offset, 4], [0, 2]]);
  return new Blob(parts.concat(central, [end]), {type: 'application/zip'});
}

// A Blob of the zip archive of files [{name, bytes}] (name a relative path with "/"),
// every file stored as it is.
export function zipBlob(files) {
  return archive(files.map(function(file) {
    var bytes = asBytes(file.bytes);
    return {name: file.name, bytes: bytes, data: bytes, method: STORED};
  }));
}

// A promise of bytes (a Uint8Array) in raw deflate, as a zip entry holds them.
function deflate(bytes) {
  // Written in whole: a Blob's stream would take several times as long.
  var packer = new CompressionStream('deflate-raw');
  var writer = packer.writable.getWriter();
  writer.write(bytes).catch(function() {});
  writer.close().catch(function() {});
  return new Response(packer.readable).arrayBuffer().then(function(data) {
    return new Uint8Array(data);
  });
}

// A promise of a Blob of the zip archive of files [{name, bytes}], each deflated but
// those whose name stored(name) accepts, which go in as they are.
export function deflatedZipBlob(files, stored) {
  return Promise.all(files.map(function(file) {
    var bytes = asBytes(file.bytes);
    if (stored(file.name)) {
      return {name: file.name, bytes: bytes, data: bytes, method: STORED};
    }
    return deflate(bytes).then(function(data) {
      return {name: file.name, bytes: bytes, data: data, method: DEFLATED};
    });
  })).then(archive);
}
