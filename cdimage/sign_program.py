#!/usr/bin/env python3
"""Puts one of the publisher's programs on the CD (setup.exe, the game): signed with the
publisher's certificate when one is given, as it is otherwise. A signed program names its
publisher at Windows's elevation prompt ("Publisher: Unknown" in yellow without) and in its
properties. Windows 11's Smart App Control, when it cannot judge a program by its reputation,
lets it run only with a valid signature (Microsoft, "What is Smart App Control?"), which is why
the game, which the player starts from the install folder, is signed as well as setup.exe.
A signature does not by itself spare a download SmartScreen's warning: SmartScreen goes by the
reputation the file and its certificate earn, and an extended-validation certificate no longer
brings that at once (Microsoft, "Code signing options for Windows app developers").

usage: sign_program.py PROGRAM CD-COPY [DESCRIPTION]
  DESCRIPTION                what the signature calls the program after the product's name
                             ("Setup" gives "Vorlex Setup"; none gives "Vorlex")
  VORLEX_SIGN_PFX            the certificate and its key, a PKCS#12 file
  VORLEX_SIGN_PASSWORD_FILE  a file that holds its password (read by osslsigncode itself, so
                             the password is on no command line, in no log, in no build tree)
  VORLEX_SIGN_TIMESTAMP      an RFC 3161 timestamp server's address, optional

Authenticode with SHA-256 (osslsigncode): the signature goes after the image's last section,
where no loader maps anything, so Windows 95 and NT 4.0 load the file as before. What it signs
is the build's own bytes, which every build of the commit repeats; only the signature itself,
with its signing time, differs from one signing to the next. A certificate that cannot be read
fails the build, and no unsigned file is left in the CD's place."""
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile


def main():
    source, target = sys.argv[1], sys.argv[2]
    what = " ".join(sys.argv[3:4])
    certificate = os.environ.get("VORLEX_SIGN_PFX")
    if not certificate:
        if not os.path.exists(target) or not filecmp.cmp(source, target, shallow=False):
            shutil.copy(source, target)
        return 0
    if os.path.exists(target):
        os.remove(target)  # the CD gets a signed program, or none
    password = os.environ.get("VORLEX_SIGN_PASSWORD_FILE")  # none for a certificate without one
    for name, path in (("certificate", certificate), ("password file", password)):
        if path is not None and not os.access(path, os.R_OK):
            sys.exit("sign: the %s cannot be read: %s (VORLEX_SIGN_PFX, VORLEX_SIGN_PASSWORD_FILE)" % (name, path))
    with tempfile.TemporaryDirectory(prefix="vorlex-sign.") as work:  # outside the build tree
        signed = os.path.join(work, os.path.basename(target))
        # The signature's description is the program's own, as setup.exe's version resource gives it.
        names = dict(re.findall(r'#define (\w+) "([^"]*)"', open(os.path.join(
            os.path.dirname(os.path.abspath(__file__)), "..", "src", "app", "product_names.h")).read()))
        command = ["osslsigncode", "sign", "-pkcs12", certificate, "-h", "sha256", "-n", (names["PRODUCT_NAME"] + " " + what).strip(),
                   "-in", source, "-out", signed] + ["-readpass", password] * (password is not None)
        if os.environ.get("VORLEX_SIGN_TIMESTAMP"):
            command[2:2] = ["-ts", os.environ["VORLEX_SIGN_TIMESTAMP"]]
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if done.returncode != 0 or not os.path.exists(signed):
            sys.exit("sign: osslsigncode could not sign %s with %s:\n%s" % (source, certificate, done.stdout.strip()))
        shutil.copy(signed, target + ".new")
        shutil.copymode(source, target + ".new")
        os.replace(target + ".new", target)
    print("sign: %s signed (SHA-256)" % target)
    return 0


if __name__ == "__main__":
    sys.exit(main())
