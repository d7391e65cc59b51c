// The imsmanifest.xml of a SCORM 1.2 package of one quiz, shaped as
// tools/scorm_package.py's manifest() writes it: one organization, one item and one
// SCO, index.html, that lists every file of the package but the manifest.

var CP = 'http://www.imsproject.org/xsd/imscp_rootv1p1p2';
var ADLCP = 'http://www.adlnet.org/xsd/adlcp_rootv1p2';

// text with &, < and > written as XML writes them in an element's text.
function escapeText(text) {
  return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
}

// name as a URL path, every byte but letters, digits, "_.-~" and "/" percent-encoded.
function quotePath(name) {
  return encodeURIComponent(name).replace(/%2F/g, '/').replace(/[!'()*]/g, function(c) {
    return '%' + c.charCodeAt(0).toString(16).toUpperCase();
  });
}

// The manifest's text for quiz quizId with title, of a package of files names.
export function scormManifest(quizId, title, names) {
  var heading = escapeText(title);
  var files = names.slice().sort().map(function(name) {
    return '      <file href="' + quotePath(name) + '" />\n';
  });
  return "<?xml version='1.0' encoding='UTF-8'?>\n" +
      '<manifest xmlns="' + CP + '" xmlns:adlcp="' + ADLCP + '" identifier="molvane-' +
      quizId + '" version="1">\n' +
      '  <metadata>\n' +
      '    <schema>ADL SCORM</schema>\n' +
      '    <schemaversion>1.2</schemaversion>\n' +
      '  </metadata>\n' +
      '  <organizations default="molvane">\n' +
      '    <organization identifier="molvane">\n' +
      '      <title>' + heading + '</title>\n' +
      '      <item identifier="quiz" identifierref="sco" isvisible="true">\n' +
      '        <title>' + heading + '</title>\n' +
      '      </item>\n' +
      '    </organization>\n' +
      '  </organizations>\n' +
      '  <resources>\n' +
      '    <resource identifier="sco" type="webcontent" adlcp:scormtype="sco" href="index.html">\n' +
      files.join('') +
      '    </resource>\n' +
      '  </resources>\n' +
      '</manifest>\n';
}
