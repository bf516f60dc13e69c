"""A package made by Kestrow.exe, signed with osslsigncode under a throwaway certificate, as an
administrator would sign it before deployment: the signature verifies, signing adds its
stream and changes no other, and the Windows Installer under Wine still installs it."""

import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

import wine_session
from probe_package import SILENT
from test_install import InstallerSession

sys.path.insert(0, str(pathlib.Path(__file__).parent / "readback"))
import readback  # noqa: E402
from compound_file import CompoundFile  # noqa: E402

PROBE = pathlib.Path(os.environ["KESTROW_PROBE"])
SIGNATURE_STREAM = "\x05DigitalSignature"


def setUpModule():
    wine_session.ensure_prefix()


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=False, timeout=120)


def streams(package):
    container = CompoundFile(package.read_bytes())
    return {entry.raw_name: container.read(entry) for entry in container.streams()}


class SignedPackage(InstallerSession):
    @classmethod
    def setUpClass(cls):
        """One throwaway self-signed certificate and its key for the whole class."""
        cls.keys = tempfile.TemporaryDirectory(prefix="kestrow-signer-")
        cls.certificate = pathlib.Path(cls.keys.name) / "signer.pem"
        cls.key = pathlib.Path(cls.keys.name) / "signer-key.pem"
        made = run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                   "-subj", "/CN=Kestrow test signer", "-keyout", cls.key, "-out", cls.certificate)
        if made.returncode != 0:
            cls.keys.cleanup()
            raise AssertionError("openssl made no certificate: " + made.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.keys.cleanup()

    def setUp(self):
        super().setUp()
        self.signed = self.work / "probe-signed.msi"
        signed = run("osslsigncode", "sign", "-certs", self.certificate, "-key", self.key,
                     "-n", "Corvane Installer", "-in", self.package, "-out", self.signed)
        self.assertEqual(signed.returncode, 0, signed.stdout + signed.stderr)

    def verify(self, package):
        return run("osslsigncode", "verify", "-in", package, "-CAfile", self.certificate)

    def test_signature_verifies_and_signing_changes_no_stream_of_the_package(self):
        verified = self.verify(self.signed)
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
        self.assertIn("Signature verification: ok", verified.stdout)
        self.assertNotEqual(self.verify(self.package).returncode, 0)

        self.assertIn(SIGNATURE_STREAM, readback.stream_names(self.signed))
        self.assertEqual(readback.read_stream(self.signed, "Binary.Corvane"), PROBE.read_bytes())
        signed_streams = streams(self.signed)
        self.assertTrue(signed_streams.pop(SIGNATURE_STREAM))
        self.assertEqual(signed_streams, streams(self.package))

    def test_signed_package_installs_and_runs_its_installer(self):
        code, log = self.install(self.signed, "/qn")
        self.assertEqual(code, 0, log[-3000:])
        self.assertEqual(self.trace.take_runs(), [SILENT])


if __name__ == "__main__":
    unittest.main()
