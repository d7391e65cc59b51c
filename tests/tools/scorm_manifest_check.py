"""The checks of a SCORM 1.2 package's imsmanifest.xml, read as XML, that the package
tool's tests and the quiz maker's browser test share."""

import urllib.parse
import xml.etree.ElementTree as ET

CP = "{http://www.imsproject.org/xsd/imscp_rootv1p1p2}"
ADLCP = "{http://www.adlnet.org/xsd/adlcp_rootv1p2}"


def check_manifest(case, archive, title):
    """Asserts with the test case `case` that the zip file `archive` holds its manifest
    first, relative paths only, and one organization with one item called title whose
    one SCO, index.html, lists every other file of the archive and nothing else.
    Returns the archive's names."""
    names = archive.namelist()
    manifest = ET.fromstring(archive.read("imsmanifest.xml"))
    case.assertEqual(names[0], "imsmanifest.xml")
    for name in names:
        case.assertTrue(name and not name.startswith("/") and ".." not in name.split("/")
                        and "\\" not in name, name)

    case.assertEqual(manifest.tag, CP + "manifest")
    metadata = manifest.find(CP + "metadata")
    case.assertEqual(metadata.findtext(CP + "schemaversion"), "1.2")
    organizations = manifest.find(CP + "organizations")
    [organization] = organizations.findall(CP + "organization")
    case.assertEqual(organizations.get("default"), organization.get("identifier"))
    case.assertEqual(organization.findtext(CP + "title"), title)
    [item] = organization.findall(CP + "item")
    case.assertEqual(item.findtext(CP + "title"), title)
    [resource] = manifest.find(CP + "resources").findall(CP + "resource")
    case.assertEqual(item.get("identifierref"), resource.get("identifier"))
    case.assertEqual(resource.get(ADLCP + "scormtype"), "sco")
    case.assertEqual(resource.get("type"), "webcontent")
    case.assertEqual(resource.get("href"), "index.html")

    listed = [urllib.parse.unquote(entry.get("href")) for entry in resource.findall(CP + "file")]
    case.assertEqual(sorted(listed), sorted(set(listed)))
    case.assertEqual(set(listed), set(names) - {"imsmanifest.xml"})
    case.assertIn("index.html", listed)
    return names
