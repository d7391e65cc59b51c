#!/usr/bin/python3
"""Make a SCORM 1.2 package of one quiz folder from a built Molvane site. Python 3 only.

    scorm_package.py [--site SITE_DIR] DATA_DIR OUT.zip [TITLE]

The package is a zip file that a learning platform imports as one activity:

    imsmanifest.xml          one organization, one item, one SCO (index.html) that lists
                             every other file of the package
    index.html, *.js, ...    the page and the program, taken from SITE_DIR (default: the
                             repository's build-web/, which scripts/web builds)
    quizzes/ID/              the quiz folder DATA_DIR, as a site of this one quiz holds it
                             (tools/web_site.py build --quiz), without the gzip copies:
                             the zip packs the files anyway

Its page opens straight into the quiz and tells the platform when it starts, when it is
finished and when it ends (site/scorm.js). The same input gives the same bytes.
"""

import argparse
import io
import os
import sys
import tempfile
import urllib.parse
import xml.etree.ElementTree as ET
import zipfile

import web_site

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
DEFAULT_SITE = os.path.join(ROOT, "build-web")
MANIFEST = "imsmanifest.xml"
PAGE = "index.html"
CP = "http://www.imsproject.org/xsd/imscp_rootv1p1p2"
ADLCP = "http://www.adlnet.org/xsd/adlcp_rootv1p2"
# Every entry gets this time, the earliest a zip file can hold, so that the same input
# gives the same bytes.
ZIP_TIME = (1980, 1, 1, 0, 0, 0)
# Files that are compressed already and go into the zip as they are.
STORED_SUFFIXES = (".gz", ".png")


def site_files(site, data, quiz_id, title):
    """{name: bytes} of a site of the one quiz in data, with the page and the program of
    the built site: index.html opens straight into the quiz."""
    for name in web_site.PROGRAM_FILES + (PAGE, web_site.WORKER):
        if not os.path.isfile(os.path.join(site, name)):
            raise web_site.SiteError("%s is not a built Molvane site: it has no %s; build one "
                                     "with scripts/web" % (site, name))
    files, worker = web_site.own_files(site, os.path.join(site, "icons"), site, quiz_id)
    build = web_site.stamp(files, worker)
    _, paths, missing = web_site.present_files(data)
    web_site.warn_missing(quiz_id, missing)
    record, _ = web_site.quiz_record(quiz_id, title, None, [(None, web_site.folder_entry(data))])
    record["gzip"] = False
    for name in record["files"]:
        files["quizzes/%s/%s" % (quiz_id, name)] = web_site.read_file(paths[name])
    catalogue = web_site.new_catalogue(build)
    catalogue["quizzes"].append(record)
    with tempfile.TemporaryDirectory(prefix="molvane-scorm-") as staging:
        os.makedirs(os.path.join(staging, "quizzes"))
        web_site.write_catalogue(staging, catalogue)
        files[web_site.CATALOGUE.replace(os.sep, "/")] = web_site.read_file(
            os.path.join(staging, web_site.CATALOGUE))
    return files


def manifest(quiz_id, title, names):
    """The imsmanifest.xml (bytes) of a package of files names, one SCO at index.html."""
    ET.register_namespace("", CP)
    ET.register_namespace("adlcp", ADLCP)
    root = ET.Element("{%s}manifest" % CP, {"identifier": "molvane-" + quiz_id, "version": "1"})
    metadata = ET.SubElement(root, "{%s}metadata" % CP)
    ET.SubElement(metadata, "{%s}schema" % CP).text = "ADL SCORM"
    ET.SubElement(metadata, "{%s}schemaversion" % CP).text = "1.2"
    organizations = ET.SubElement(root, "{%s}organizations" % CP, {"default": "molvane"})
    organization = ET.SubElement(organizations, "{%s}organization" % CP,
                                 {"identifier": "molvane"})
    ET.SubElement(organization, "{%s}title" % CP).text = title
    item = ET.SubElement(organization, "{%s}item" % CP,
                         {"identifier": "quiz", "identifierref": "sco", "isvisible": "true"})
    ET.SubElement(item, "{%s}title" % CP).text = title
    resources = ET.SubElement(root, "{%s}resources" % CP)
    resource = ET.SubElement(resources, "{%s}resource" % CP, {
        "identifier": "sco", "type": "webcontent", "{%s}scormtype" % ADLCP: "sco", "href": PAGE})
    for name in sorted(names):
        ET.SubElement(resource, "{%s}file" % CP, {"href": urllib.parse.quote(name)})
    ET.indent(root)
    out = io.BytesIO()
    ET.ElementTree(root).write(out, encoding="UTF-8", xml_declaration=True)
    return out.getvalue() + b"\n"


def write_zip(path, files):
    """Writes {name: bytes} into the zip file path, whole or not at all: the manifest
    first, then the rest by name, each with the same time and permissions."""
    target = os.path.abspath(path)
    handle, temporary = tempfile.mkstemp(dir=os.path.dirname(target), prefix=".scorm-")
    try:
        with os.fdopen(handle, "wb") as raw, zipfile.ZipFile(raw, "w") as package:
            for name in sorted(files, key=lambda name: (name != MANIFEST, name)):
                entry = zipfile.ZipInfo(name, ZIP_TIME)
                entry.external_attr = 0o644 << 16
                entry.create_system = 3  # Unix, for the permissions
                stored = name.endswith(STORED_SUFFIXES)
                entry.compress_type = zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED
                package.writestr(entry, files[name], compresslevel=None if stored else 9)
        os.chmod(temporary, 0o644)
        os.replace(temporary, target)
    except BaseException:
        os.remove(temporary)
        raise


def make_package(site, data, out, title=None):
    """Writes the package of quiz folder data into out; returns (quiz ID, title, files)."""
    data = os.path.abspath(data)
    if not os.path.isdir(data):
        raise web_site.SiteError("no quiz folder at %s" % data)
    quiz_id = web_site.id_from_folder(data)
    title = title or web_site.default_topic(quiz_id)
    files = site_files(os.path.abspath(site), data, quiz_id, title)
    files[MANIFEST] = manifest(quiz_id, title, files)
    write_zip(out, files)
    return quiz_id, title, files


def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Make a SCORM 1.2 package of one Molvane quiz folder.")
    parser.add_argument("data_dir", help="the quiz folder, in the desktop's data/ format")
    parser.add_argument("out", help="the package to write, a .zip file")
    parser.add_argument("title", nargs="?", help="what the platform shows (default: after "
                        "the folder's name)")
    parser.add_argument("--site", default=os.environ.get("MOLVANE_WEB_SITE", DEFAULT_SITE),
                        help="the built site whose page and program the package gets "
                        "(default: $MOLVANE_WEB_SITE, else build-web/ of the repository)")
    return parser.parse_args(argv)


def main(argv=None):
    args = parse_args(argv)
    try:
        quiz_id, title, files = make_package(args.site, args.data_dir, args.out, args.title)
    except web_site.SiteError as e:
        print("error: %s" % e, file=sys.stderr)
        return 2
    except OSError as e:
        print("error: %s" % e, file=sys.stderr)
        return 1
    print("Made %s: quiz %s (%s), %d files, %d bytes"
          % (args.out, quiz_id, title, len(files), os.path.getsize(args.out)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
