#!/usr/bin/env python3
"""The CD as released: built again elsewhere (scripts/rebuild-elsewhere), its files, hashes and image are the same
bytes; signed there with a throwaway authority, setup.exe and the game verify on the CD and in the image, and
unsigned again are the rebuilt bytes. The signed CD (WORK/tree/build/cd) and WORK/ca.pem stay for a journey.
usage: check_release.py CD BUILD-DIR WORK SOURCE_DATE_EPOCH"""
import filecmp, os, re, shutil, struct, subprocess, sys, tempfile
here = os.path.dirname(os.path.abspath(__file__))
cd, binary, work, epoch = *map(os.path.abspath, sys.argv[1:4]), sys.argv[4]
ours, theirs, ca = os.path.dirname(cd), os.path.join(work, "tree", "build"), os.path.join(work, "ca.pem")
PROGRAMS = ("setup.exe", "data/vlx.exe")


def run(*command, **env):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, env=dict(os.environ, **env))


def verify(path):
    done = run("osslsigncode", "verify", "-CAfile", ca, "-in", path)
    return done.returncode == 0 and "Message digest algorithm  : SHA256" in done.stdout


sums = lambda top: [open(os.path.join(top, name)).read() for name in ("cd.sha256", "vorlex.iso.sha256")]
done = run("bash", os.path.join(here, "..", "scripts", "rebuild-elsewhere"), os.path.join(work, "tree"), SOURCE_DATE_EPOCH=epoch)
assert done.returncode == 0, done.stdout[-4000:]
assert run("cmake", "--build", binary, "--target", "iso").returncode == 0  # this tree's image, by the same rule
names = re.findall(r"  (.+)\n", "".join(sums(theirs)))
assert names == ["cd/autorun.inf", "cd/data/filesys.dat", "cd/data/vlx.exe", "cd/directx/dsetup.cfg",
                 "cd/directx/dsetup.dll", "cd/setup.exe", "vorlex.iso"], names
assert sums(ours) == sums(theirs) and all(filecmp.cmp(os.path.join(ours, n), os.path.join(theirs, n), False) for n in names)

with tempfile.TemporaryDirectory() as keys:  # made fresh, gone after the run
    k = lambda name: os.path.join(keys, name)
    open(k("password"), "w").write("throwaway\n")
    open(k("ext"), "w").write("extendedKeyUsage=codeSigning\nkeyUsage=digitalSignature\n")
    for step in (f"req -x509 -newkey rsa:2048 -nodes -keyout {k('ca.key')} -out {ca} -days 2 -subj /CN=Test-Authority "
                 "-addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign",
                 f"req -newkey rsa:2048 -nodes -keyout {k('pub.key')} -out {k('pub.csr')} -subj /CN=Halvane",
                 f"x509 -req -in {k('pub.csr')} -CA {ca} -CAkey {k('ca.key')} -out {k('pub.pem')} -days 2 -extfile {k('ext')}",
                 f"pkcs12 -export -inkey {k('pub.key')} -in {k('pub.pem')} -out {k('pub.pfx')} -passout file:{k('password')}"):
        assert run("openssl", *step.split()).returncode == 0, step
    signing = lambda pfx, password: dict(VORLEX_SIGN_PFX=pfx, VORLEX_SIGN_PASSWORD_FILE=password)
    assert run("cmake", "--build", os.path.join(theirs, "windows"), "--target", "iso", **signing(k("pub.pfx"), k("password"))).returncode == 0
    for name in PROGRAMS:
        signed, back, bare = os.path.join(theirs, "cd", name), k(name[-7:] + ".iso"), k(name[-7:] + ".bare")
        assert verify(signed), name + " on the CD does not verify"
        assert run("xorriso", "-osirrox", "on", "-indev", os.path.join(theirs, "vorlex.iso"), "-extract", "/" + name, back).returncode == 0
        assert verify(back), name + " read back from the image does not verify"
        assert run("osslsigncode", "remove-signature", "-in", signed, "-out", bare).returncode == 0
        assert filecmp.cmp(bare, os.path.join(cd, name), False), name + ": what is signed is not the rebuilt program"
    mine = lambda top: [line for line in sums(top)[0].splitlines() if not line.endswith(PROGRAMS)]
    assert mine(ours) == mine(theirs) != [], "besides the publisher's programs, the signed CD is the unsigned one"
    signed_exe = os.path.join(theirs, "cd", "setup.exe")
    tampered = bytearray(open(signed_exe, "rb").read())
    tampered[len(tampered) // 3] ^= 1
    open(k("back"), "wb").write(tampered)
    assert not verify(k("back")), "a changed byte still verifies"
    # A wrong password or a certificate nobody can read fails the build, and leaves no program.
    for pfx, password in ((k("pub.pfx"), k("ext")), (k("none.pfx"), k("password"))):
        shutil.copy(signed_exe, k("broken.exe"))
        assert run(sys.executable, os.path.join(here, "..", "cdimage", "sign_program.py"), os.path.join(cd, "setup.exe"),
                   k("broken.exe"), **signing(pfx, password)).returncode != 0 and not os.path.exists(k("broken.exe")), pfx
    for check in (("check_imports.sh", signed_exe, "../docs/system-imports.tsv", "../docs/import-dlls.md"),
                  ("check_instructions.sh", signed_exe)):
        assert run(*[os.path.join(here, a) if a[0] != "/" else a for a in check]).returncode == 0, check[0]

# The signature lies after the last section's data and ends the file; the header still says 4.0;
# the checksum is right.
for name in PROGRAMS:
    signed = open(os.path.join(theirs, "cd", name), "rb").read()
    pe = struct.unpack_from("<I", signed, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", signed, pe + 6)
    optional, checksum_at, security_at = pe + 24, pe + 24 + 64, pe + 24 + 128
    ends = [sum(struct.unpack_from("<II", signed, optional + optional_size + 40 * i + 16)) for i in range(sections)]
    offset, size = struct.unpack_from("<II", signed, security_at)
    assert size and offset >= max(ends) and offset + size == len(signed), name
    assert struct.unpack_from("<2H", signed, optional + 40) == struct.unpack_from("<2H", signed, optional + 48) == (4, 0)
    total = 0
    for (word,) in struct.iter_unpack("<H", signed[:checksum_at] + bytes(4) + signed[checksum_at + 4:] + bytes(len(signed) % 2)):
        total = (total & 0xFFFF) + (total >> 16) + word
    assert struct.unpack_from("<I", signed, checksum_at)[0] == (total & 0xFFFF) + (total >> 16) + len(signed), name + ": PE checksum"
# setup.exe's properties name the publisher and the game as the list of installed programs does.
for name, value in (("CompanyName", "Halvane"), ("ProductName", "Vorlex"), ("FileDescription", "Vorlex Setup")):
    assert re.search(name + "\0+" + value + "\0", open(signed_exe, "rb").read().decode("utf-16-le", "replace")), name
print("rebuilt byte for byte; setup.exe and the game signed, verifying on the CD and in the image, over the rebuilt bytes")
