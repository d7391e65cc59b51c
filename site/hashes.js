// The hashes a build of the site goes by (tools/web_site.py and site_places.py make
// the same): a file's short hash and a build id.

// A promise of the SHA-256 of bytes (an ArrayBuffer or a typed array), 32 bytes.
function sha256(bytes) {
  return crypto.subtle.digest('SHA-256', bytes).then(function(digest) {
    return new Uint8Array(digest);
  });
}

// The first 16 hex digits of digest.
function shortHex(digest) {
  return Array.from(digest.slice(0, 8)).map(function(byte) {
    return (byte < 16 ? '0' : '') + byte.toString(16);
  }).join('');
}

// A promise of the first 16 hex digits of the SHA-256 of bytes.
export function shortHash(bytes) {
  return sha256(bytes).then(shortHex);
}

// A promise of the build id of files {name: Uint8Array}: the short hash over each name
// in order, a zero byte and the SHA-256 of its content.
export function buildId(files) {
  var names = Object.keys(files).sort();
  return Promise.all(names.map(function(name) { return sha256(files[name]); })).then(
      function(digests) {
        var parts = [];
        names.forEach(function(name, index) {
          parts.push(new TextEncoder().encode(name), new Uint8Array(1), digests[index]);
        });
        return new Blob(parts).arrayBuffer();
      }).then(shortHash);
}
