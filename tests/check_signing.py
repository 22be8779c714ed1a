#!/usr/bin/env python3
"""The CD's setup.exe signed with a throwaway authority made here: valid on the CD and read back
from the image, broken by one changed byte, and appended where no loader looks, so what Windows
95 and NT 4.0 load is the unsigned build byte for byte. The signed CD and the authority's ca.pem
stay beside SIGNED-CD for the journey that installs from it.
usage: check_signing.py SETUP.EXE CD SIGNED-CD"""
import os, re, shutil, struct, subprocess, sys, tempfile
here = os.path.dirname(os.path.abspath(__file__))
unsigned_exe, cd, signed_cd = map(os.path.abspath, sys.argv[1:4])
ca = os.path.join(os.path.dirname(signed_cd), "ca.pem")


def run(*command, **env):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, env=dict(os.environ, **env))


def verify(path):
    done = run("osslsigncode", "verify", "-CAfile", ca, "-in", path)
    return done.returncode == 0 and "Message digest algorithm  : SHA256" in done.stdout


def sign(target, pfx, password):
    return run(sys.executable, os.path.join(here, "..", "cdimage", "sign_setup.py"), unsigned_exe, target,
               VORLEX_SIGN_PFX=pfx, VORLEX_SIGN_PASSWORD_FILE=password).returncode == 0


with tempfile.TemporaryDirectory() as keys:  # made fresh, gone after the run
    k = lambda name: os.path.join(keys, name)
    open(k("password"), "w").write("throwaway\n")
    open(k("ext"), "w").write("extendedKeyUsage=codeSigning\nkeyUsage=digitalSignature\n")
    shutil.rmtree(os.path.dirname(signed_cd), ignore_errors=True)
    os.makedirs(os.path.dirname(signed_cd))
    for step in (f"req -x509 -newkey rsa:2048 -nodes -keyout {k('ca.key')} -out {ca} -days 2 -subj /CN=Test-Authority "
                 "-addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign",
                 f"req -newkey rsa:2048 -nodes -keyout {k('pub.key')} -out {k('pub.csr')} -subj /CN=Halvane",
                 f"x509 -req -in {k('pub.csr')} -CA {ca} -CAkey {k('ca.key')} -out {k('pub.pem')} -days 2 -extfile {k('ext')}",
                 f"pkcs12 -export -inkey {k('pub.key')} -in {k('pub.pem')} -out {k('pub.pfx')} -passout file:{k('password')}"):
        assert run("openssl", *step.split()).returncode == 0, step
    shutil.copytree(cd, signed_cd)
    signed_exe = os.path.join(signed_cd, "setup.exe")
    assert sign(signed_exe, k("pub.pfx"), k("password")) and verify(signed_exe), "the CD's setup.exe does not verify"
    # A wrong password or a certificate nobody can read fails the build, and leaves no setup.exe.
    for pfx, password in ((k("pub.pfx"), k("ext")), (k("none.pfx"), k("password"))):
        shutil.copy(unsigned_exe, k("broken.exe"))
        assert not sign(k("broken.exe"), pfx, password) and not os.path.exists(k("broken.exe")), pfx
    assert run("xorriso", "-as", "mkisofs", "-quiet", "-J", "-r", "-o", k("cd.iso"), signed_cd).returncode == 0
    assert run("xorriso", "-osirrox", "on", "-indev", k("cd.iso"), "-extract", "/setup.exe", k("back")).returncode == 0
    assert verify(k("back")), "setup.exe read back from the image does not verify"
    signed, unsigned = open(signed_exe, "rb").read(), open(unsigned_exe, "rb").read()
    tampered = bytearray(signed)
    tampered[len(unsigned) // 2] ^= 1
    open(k("back"), "wb").write(tampered)
    assert not verify(k("back")), "a changed byte still verifies"
    for check in (("check_imports.sh", signed_exe, "../docs/system-imports.tsv", "../docs/import-dlls.md"),
                  ("check_instructions.sh", signed_exe)):
        assert run(*[os.path.join(here, a) if a[0] != "/" else a for a in check]).returncode == 0, check[0]

# The signature lies after the last section's data; only the checksum and the pointer to the
# signature differ in what the loader reads; the header still says 4.0; the checksum is right.
pe = struct.unpack_from("<I", signed, 0x3C)[0]
sections, optional_size = struct.unpack_from("<H12xH", signed, pe + 6)
optional, checksum_at, security_at = pe + 24, pe + 24 + 64, pe + 24 + 128
ends = [sum(struct.unpack_from("<II", signed, optional + optional_size + 40 * i + 16)) for i in range(sections)]
offset, size = struct.unpack_from("<II", signed, security_at)
assert size and offset >= max(ends) and offset >= len(unsigned) and offset + size == len(signed)
assert struct.unpack_from("<2H", signed, optional + 40) == struct.unpack_from("<2H", signed, optional + 48) == (4, 0)
same = lambda image: image[:checksum_at] + image[checksum_at + 4:security_at] + image[security_at + 8:len(unsigned)]
assert same(signed) == same(unsigned), "the signed image differs from the unsigned one"
total = 0
for (word,) in struct.iter_unpack("<H", signed[:checksum_at] + bytes(4) + signed[checksum_at + 4:] + bytes(len(signed) % 2)):
    total = (total & 0xFFFF) + (total >> 16) + word
assert struct.unpack_from("<I", signed, checksum_at)[0] == (total & 0xFFFF) + (total >> 16) + len(signed), "PE checksum"
# Its properties name the publisher and the game as the list of installed programs does.
for name, value in (("CompanyName", "Halvane"), ("ProductName", "Vorlex"), ("FileDescription", "Vorlex Setup")):
    assert re.search(name + "\0+" + value + "\0", signed.decode("utf-16-le", "replace")), name
print("signed setup.exe verifies on the CD and in the image; the loaded image is unchanged")
