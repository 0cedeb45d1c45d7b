#!/usr/bin/env python3
"""The Ansible module over SSH against two simulated sites. Runs in the
controller namespace of a virtual LAN made with `netlab up --sites` (through
tests/e2e/run-in-netlab with NETLAB_SITES=1 and NETLAB_NAMESPACE=ctl): each
site's jump host ("pc" and "site2") gets an sshd on its management address
and its own simulated devices; ansible-playbook runs ansible/site.yml with
ansible/inventory.example, site-a's password from an Ansible Vault file,
site-b's from the environment, as the example has them."""
import json
import re
import os
import shutil
import subprocess
import tempfile
import unittest

NETLAB = os.environ["COBALIN_NETLAB"]
DEVSIM = os.environ["COBALIN_DEVSIM"]
BIN = os.environ["COBALIN_BIN"]
SOURCE = os.environ["COBALIN_SOURCE_DIR"]
SCALE = "0.05"

PASSWORD_A = "Vault-A-7q2x"
PASSWORD_B = "Env-B-k4m9"
NEW_PASSWORD_B = "Renewed-B-5t8w"
WRONG_PASSWORD = "Wrong-B-3z6v"
SECRETS = (PASSWORD_A, PASSWORD_B, NEW_PASSWORD_B, WRONG_PASSWORD)

# Each site: (jump host namespace, device namespace, management address, devices).
# The third device of each site is in no plan.
SITES = {
    "site-a": ("pc", "lan", "10.99.1.2", PASSWORD_A,
               [("02:7E:3A:0A:00:01", "192.168.1.11", "Rack-A1"), ("02:7E:3A:0A:00:02", "192.168.1.12", "Rack-A2"),
                ("02:7E:3A:0A:00:03", "192.168.1.13", "Spare-A")]),
    "site-b": ("site2", "lan2", "10.99.2.2", PASSWORD_B,
               [("02:7E:3A:0B:00:01", "192.168.1.21", "Rack-B1"), ("02:7E:3A:0B:00:02", "192.168.1.22", "Rack-B2"),
                ("02:7E:3A:0B:00:03", "192.168.1.23", "Spare-B")]),
}
# What the example's plan does to each site's devices, as a search shows it.
PLANNED = {
    "site-a": {"02:7E:3A:0A:00:01": {"name": "Hall-A-01", "ip": "192.168.1.61"}, "02:7E:3A:0A:00:02": {}},
    "site-b": {"02:7E:3A:0B:00:01": {"name": "Hall-B-01"}, "02:7E:3A:0B:00:02": {}},
}
WRITE_LENGTH = 1031  # the first datagram of a write


def lan_description(password, devices):
    text = "[defaults]\nnetmask = 255.255.255.0\ngateway = 192.168.1.1\nhwid = PCB-4160-01\n"
    text += f"password = {password}\nrestart = 4\n"
    for mac, ip, name in devices:
        text += f"\n[device]\nmac = {mac}\nip = {ip}\nname = {name}\n"
    return text


def netlab(namespace, *args, **kwargs):
    return [NETLAB, "exec", namespace, *args]


def results(output, task):
    """From ansible-playbook's output (-v, results as JSON): each host's
    result of the task named (with "outcome": ok, changed or fatal), and each
    host's counts of the recap."""
    section = output[output.index(f"TASK [{task}]"):]
    section = section[:section.index("\nTASK [")]
    hosts = {}
    for m in re.finditer(r"^(ok|changed|fatal): \[([\w-]+)\](?:: FAILED!)? => ", section, re.M):
        hosts[m.group(2)], _ = json.JSONDecoder().raw_decode(section, m.end())
        hosts[m.group(2)]["outcome"] = m.group(1)
    recap = output[output.index("PLAY RECAP"):]
    stats = {m.group(1): {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", m.group(2))}
             for m in re.finditer(r"^([\w-]+)\s+: (.*)$", recap, re.M)}
    return hosts, stats


def missing_tools():
    return [t for t in ("ansible-playbook", "ansible-vault", "ssh", "ssh-keygen", "/usr/sbin/sshd") if not shutil.which(t)]


class TwoSites(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="cobalin-ansible-")
        os.chmod(cls.dir, 0o700)
        cls.procs = []
        cls.captures = {}
        try:
            cls.start_sites()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        for p in cls.procs:
            p.terminate()
        for p in cls.procs:
            try:
                p.communicate(timeout=20)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(cls.dir, ignore_errors=True)

    @classmethod
    def path(cls, *parts):
        return os.path.join(cls.dir, *parts)

    @classmethod
    def start_sites(cls):
        # A throw-away client key and host key, a known_hosts that holds the
        # host key for both management addresses.
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", cls.path("client_key")], check=True)
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", cls.path("host_key")], check=True)
        shutil.copy(cls.path("client_key.pub"), cls.path("authorized_keys"))
        with open(cls.path("host_key.pub")) as f:
            host_key = f.read().split()
        with open(cls.path("known_hosts"), "w") as f:
            for _, (_, _, address, _, _) in SITES.items():
                f.write(f"{address} {host_key[0]} {host_key[1]}\n")
        os.makedirs("/run/sshd", mode=0o755, exist_ok=True)  # sshd's privilege separation folder
        env = dict(os.environ, COBALIN_TIME_SCALE=SCALE)
        for site, (jump, lan, address, password, devices) in SITES.items():
            conf = cls.path(f"{site}.conf")
            with open(conf, "w") as f:
                f.write(lan_description(password, devices))
            cls.captures[site] = cls.path(f"{site}.capture")
            sim = subprocess.Popen(netlab(lan, DEVSIM, conf, "--iface", "lan0", "--capture", cls.captures[site]),
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
            cls.procs.append(sim)
            line = sim.stdout.readline().decode()
            if "ready" not in line:
                raise RuntimeError(f"{site}: simulator not ready: {line}{sim.stderr.read().decode()}")
            sshd_config = cls.path(f"{site}.sshd_config")
            with open(sshd_config, "w") as f:
                f.write(f"""ListenAddress {address}
Port 22
HostKey {cls.path('host_key')}
AuthorizedKeysFile {cls.path('authorized_keys')}
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
PidFile {cls.path(site + '.sshd.pid')}
SetEnv COBALIN_TIME_SCALE={SCALE}
Subsystem sftp internal-sftp
LogLevel ERROR
""")
            sshd = subprocess.Popen(netlab(jump, "/usr/sbin/sshd", "-D", "-e", "-f", sshd_config),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            cls.procs.append(sshd)
        # The example inventory as a user copies it, with the test's own host
        # variables beside it: how to connect, where cobalin is, a vault.
        inventory = cls.path("inventory")
        os.makedirs(inventory)
        shutil.copy(os.path.join(SOURCE, "ansible", "inventory.example"), os.path.join(inventory, "inventory.yml"))
        with open(cls.path("vault_password"), "w") as f:
            f.write(os.urandom(16).hex() + "\n")
        for site in SITES:
            host_vars = os.path.join(inventory, "host_vars", site)
            os.makedirs(host_vars)
            with open(os.path.join(host_vars, "connection.yml"), "w") as f:
                json.dump({
                    "ansible_user": "root",
                    "ansible_python_interpreter": "/usr/bin/python3",
                    "ansible_ssh_private_key_file": cls.path("client_key"),
                    "ansible_ssh_common_args": f"-F /dev/null -o UserKnownHostsFile={cls.path('known_hosts')}"
                                               " -o StrictHostKeyChecking=yes -o ConnectTimeout=10",
                    "cobalin_executable": BIN,
                    "cobalin_home": cls.path(f"{site}.home"),
                    "cobalin_backup": cls.path(f"{site}.backups"),
                }, f)
        vault = os.path.join(inventory, "host_vars", "site-a", "vault.yml")
        with open(vault, "w") as f:
            f.write(f"vault_site_a_password: {PASSWORD_A}\n")
        subprocess.run(["ansible-vault", "encrypt", "--vault-password-file", cls.path("vault_password"), vault],
                       check=True, capture_output=True, env=cls.ansible_env({}))
        with open(vault) as f:
            assert PASSWORD_A not in f.read()
        cls.states = {site: cls.search(site) for site in SITES}
        for site, (_, _, _, _, devices) in SITES.items():
            assert set(cls.states[site]) == {mac for mac, _, _ in devices}, cls.states[site]

    @classmethod
    def ansible_env(cls, extra):
        env = {"PATH": os.environ["PATH"], "HOME": cls.dir, "LANG": "C.UTF-8",
               "ANSIBLE_LIBRARY": os.path.join(SOURCE, "ansible", "plugins", "modules"),
               "ANSIBLE_CONFIG": cls.path("no-ansible.cfg"), "ANSIBLE_LOCAL_TEMP": cls.path("ansible-local"),
               "ANSIBLE_REMOTE_TEMP": cls.path("ansible-remote"), "ANSIBLE_SSH_CONTROL_PATH_DIR": cls.path("cp"),
               "ANSIBLE_NOCOLOR": "1", "ANSIBLE_FORKS": "2", "ANSIBLE_RETRY_FILES_ENABLED": "0"}
        env.update(extra)
        return env

    @classmethod
    def search(cls, site):
        """The devices a search at the site finds: MAC -> the search's keys."""
        jump = SITES[site][0]
        env = {"PATH": os.environ["PATH"], "NETLAB_ID": os.environ["NETLAB_ID"], "COBALIN_TIME_SCALE": SCALE,
               "HOME": cls.dir}
        p = subprocess.run(netlab(jump, BIN, "search", "--json", "--network", "192.168.1.255", "--home",
                                  cls.path(f"{site}.search-home")), capture_output=True, env=env, timeout=120)
        assert p.returncode == 0, p.stderr.decode()
        return {d["mac"]: d for d in json.loads(p.stdout)}

    def written(self, site, since):
        """The MACs a write reached at the site since capture line `since`."""
        with open(self.captures[site]) as f:
            lines = f.read().splitlines()[since:]
        macs = set()
        for line in lines:
            parts = line.split()
            if parts[1] == "UDP" and parts[4].endswith(":8890") and int(parts[5]) == WRITE_LENGTH:
                macs.add(":".join(parts[6][48 + 2 * i:50 + 2 * i] for i in range(6)).upper())
        return macs

    def capture_length(self, site):
        with open(self.captures[site]) as f:
            return len(f.read().splitlines())

    def playbook(self, *args, site_b_password=PASSWORD_B):
        """Runs site.yml; the per-host results of its module task and the whole output."""
        env = self.ansible_env({"ANSIBLE_CALLBACK_RESULT_FORMAT": "json", "COBALIN_SITE_B_PASSWORD": site_b_password,
                                "COBALIN_SITE_B_NEW_PASSWORD": NEW_PASSWORD_B})
        p = subprocess.run(["ansible-playbook", "-v", "-i", self.path("inventory", "inventory.yml"), "--vault-password-file",
                            self.path("vault_password"), os.path.join(SOURCE, "ansible", "site.yml"), *args],
                           capture_output=True, env=env, timeout=300, cwd=self.dir)
        out = p.stdout.decode() + p.stderr.decode()
        for secret in SECRETS:
            self.assertNotIn(secret, out, "a password in Ansible's output")
        hosts, stats = results(p.stdout.decode(), "Apply the site's plan")
        self.assertEqual(set(hosts), set(SITES), out)
        return p.returncode, hosts, stats, out

    def assert_devices(self, site, expected):
        found = self.search(site)
        for mac, before in self.states[site].items():
            now = dict(before, **expected.get(mac, {}))
            for key in ("name", "ip", "netmask", "gateway"):
                self.assertEqual(found[mac].get(key), now.get(key), f"{site} {mac} {key}")

    def test_a_plan_in_check_mode_then_applied_then_again(self):
        marks = {site: self.capture_length(site) for site in SITES}
        rc, hosts, stats, out = self.playbook("--check", "--diff")
        self.assertEqual(rc, 0, out)
        for site in SITES:
            with self.subTest("check mode", site=site):
                self.assertTrue(hosts[site]["changed"], out)
                self.assertEqual(hosts[site]["outcome"], "changed")
                statuses = {d["mac"]: d["status"] for d in hosts[site]["devices"]}
                self.assertEqual(statuses, {mac: "would_change" for mac in PLANNED[site]})
                self.assertEqual(self.written(site, marks[site]), set(), "check mode wrote")
                self.assert_devices(site, {})
        self.assertIn("baud_rate: 19200", out, "the diff shows the keys that change")
        self.assertIn("new_password: ********", out)

        marks = {site: self.capture_length(site) for site in SITES}
        rc, hosts, stats, out = self.playbook("--diff")
        self.assertEqual(rc, 0, out)
        for site in SITES:
            with self.subTest("apply", site=site):
                self.assertTrue(hosts[site]["changed"], out)
                self.assertEqual(hosts[site]["rc"], 0)
                statuses = {d["mac"]: d["status"] for d in hosts[site]["devices"]}
                self.assertEqual(statuses, {mac: "updated" for mac in PLANNED[site]})
                self.assertEqual(self.written(site, marks[site]), set(PLANNED[site]), "exactly the planned devices")
                self.assert_devices(site, PLANNED[site])
        changed = {d["mac"]: d["changed"] for d in hosts["site-a"]["devices"] + hosts["site-b"]["devices"]}
        self.assertEqual(changed["02:7E:3A:0A:00:02"], ["baud_rate", "parity"])
        self.assertEqual(changed["02:7E:3A:0B:00:02"], ["new_password"])

        # Again: every device holds its plan, site-b's renewed one its new password.
        marks = {site: self.capture_length(site) for site in SITES}
        rc, hosts, stats, out = self.playbook()
        self.assertEqual(rc, 0, out)
        for site in SITES:
            with self.subTest("rerun", site=site):
                self.assertFalse(hosts[site]["changed"], out)
                self.assertEqual(hosts[site]["outcome"], "ok")
                self.assertEqual({d["status"] for d in hosts[site]["devices"]}, {"unchanged"})
                self.assertEqual(self.written(site, marks[site]), set())
                self.assertEqual(stats[site]["changed"], 0)

        # A wrong password at site-b fails that host with the row's reason;
        # site-a goes on.
        marks = {site: self.capture_length(site) for site in SITES}
        rc, hosts, stats, out = self.playbook(site_b_password=WRONG_PASSWORD)
        self.assertEqual(rc, 2, out)
        self.assertEqual(hosts["site-b"]["outcome"], "fatal")
        self.assertEqual(hosts["site-b"]["rc"], 1)
        self.assertIn("02:7E:3A:0B:00:01: refused: the password does not match the device's", hosts["site-b"]["msg"])
        self.assertEqual(stats["site-b"]["failed"], 1)
        self.assertEqual(hosts["site-a"]["outcome"], "ok", out)
        self.assertEqual(stats["site-a"]["failed"], 0)
        self.assertEqual(stats["site-a"]["ok"], 2, "site-a ran both tasks")
        for site in SITES:
            self.assertEqual(self.written(site, marks[site]), set())


if __name__ == "__main__":
    if missing_tools():
        raise SystemExit("ansible_sites_test: missing " + ", ".join(missing_tools()) + "; run scripts/install-deps")
    unittest.main(verbosity=2)
