"""The capture driver's switch as the system sees it: the grabber leaves "Attach.ToDesktop"
at 1 while attached (also when the process ends without detaching) and at 0 after Shutdown."""
import subprocess
import unittest

import orvtest

KEY = ("HKLM\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\"
       "CurrentControlSet\\Services\\vidcap\\DEVICE0")


def attach_switch():
    p = subprocess.run(["wine64", "reg", "query", KEY, "/v", "Attach.ToDesktop"],
                       capture_output=True, text=True, timeout=60, env=orvtest.wine_env())
    for line in p.stdout.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[0] == "Attach.ToDesktop" and fields[1] == "REG_DWORD":
            return int(fields[2], 16)
    return None


class AttachSwitch(unittest.TestCase):
    def test_switch_follows_attach_and_detach(self):
        code, out = orvtest.run("grabber_probe.exe", "leave")
        self.assertEqual(0, code, out)
        self.assertIn("initialized 1 grabbed 1 size 1280x800 surface 32", out)
        self.assertEqual(1, attach_switch())

        code, out = orvtest.run("grabber_probe.exe", "cycle")
        self.assertEqual(0, code, out)
        self.assertIn("initialized 1 grabbed 1", out)
        self.assertEqual(0, attach_switch())

    def test_every_surface_format_initialises(self):
        for fmt, bpp in (("24", 24), ("565", 16), ("555", 16)):
            code, out = orvtest.run("grabber_probe.exe", "cycle",
                                    env={"ORVANE_VIDCAP_FORMAT": fmt})
            self.assertEqual(0, code, out)
            self.assertIn(f"surface {bpp}", out)
        self.assertEqual(0, attach_switch())


if __name__ == "__main__":
    unittest.main()
