# -*- coding: utf-8 -*-
# Copyright: The Cobalin authors
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)
#
# Runs `cobalin configure` on the managed host (a site's jump host) with the
# plan on standard input, and maps its report onto Ansible's results: check
# mode is `--check`, a row written is a change, exit 1 or 2 is a failure; a
# run that ends without a report (killed, crashed) and not with exit 2 may
# have written devices, so it is a change too.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: cobalin_configure
short_description: Configure the rack equipment of a LAN with cobalin configure
description:
  - Runs C(cobalin configure - --json) on the managed host, a jump host on the
    devices' LAN, feeding it the plan on standard input; the plan never appears
    on a command line or in a file others can read.
  - Each row names a device by its MAC, gives its current password and the
    values to set; an omitted key leaves that parameter alone. The command
    finds every device with one search, writes all that need a change at once
    and checks each one afterwards.
  - In check mode it runs C(--check), which sends nothing but the search, and
    reports what would change.
  - Outside check mode, a run that ends without a report (the command was
    killed or crashed) and not with exit status 2 fails and reports
    C(changed), as devices may have been written.
  - A row that sets C(new_password) is already held by a device that has that
    password, so a second run of the same rows reports no change.
  - The managed host needs the C(cobalin) program (the Debian package
    C(cobalin)); the controller needs this module, which the same package
    installs to C(/usr/share/ansible/plugins/modules).
version_added: "1.0.0"
author: The Cobalin authors
options:
  devices:
    description:
      - The plan's rows, one per device. Mutually exclusive with I(plan).
      - Values are the texts the parameter editor takes (numbers may be given
        as numbers).
      - A key the plan does not know is refused, as C(cobalin configure)
        refuses an unknown column.
    type: list
    elements: dict
    suboptions:
      mac:
        description: The device, C(02:7E:3A:04:C8:1E) (either case; C(:), C(-) or no separator).
        type: str
        required: true
      password:
        description: The device's current password. Never shown in any output.
        type: str
        required: true
      new_password:
        description: The password the device is to have. Never shown in any output.
        type: str
      name:
        description: Server name (the panel's name or rack number).
        type: raw
      dhcp:
        description: DHCP, C(Enable) or C(Disable).
        type: raw
      ip:
        description: IP address.
        type: raw
      netmask:
        description: Netmask.
        type: raw
      gateway:
        description: Gateway.
        type: raw
      hardware_id:
        description: Hardware ID.
        type: raw
      serial_port:
        description: Serial port, 1 to 16.
        type: raw
      baud_rate:
        description: Baud rate, 110 to 230400, or 5787.
        type: raw
      data_stop_bits:
        description: Data/Stop bits, C(5-1) to C(8-2).
        type: raw
      parity:
        description: Parity, C(None), C(Even), C(Odd), C(Mark) or C(Space).
        type: raw
      flow_control:
        description: Flow control, C(None), C(RTS/CTS) or C(Xon/Xoff).
        type: raw
      protocol:
        description: Protocol, C(TCP) or C(UDP).
        type: raw
      serial_timeout:
        description: Serial timeout, 0 to 65535.
        type: raw
      tcp_alive_timeout:
        description: TCP alive timeout, 0 to 255.
        type: raw
      connection_mode:
        description: Connection mode, C(Client), C(Server) or C(Client (no HB)).
        type: raw
      tcp_udp_port:
        description: TCP/UDP port; only 4000.
        type: raw
      serial_port_mode:
        description: Serial port mode, C(RS232), C(RS422), C(RS485H), C(Console), C(Upgrade) or C(Default).
        type: raw
      maximum_connection:
        description: Maximum connection, 1 to 8.
        type: raw
      remote_ip_address:
        description: Remote IP address.
        type: raw
      model:
        description: Model No.
        type: raw
      location:
        description: Company Name (the panel's location).
        type: raw
      serial_no_brenik:
        description: Serial No. (Brenik).
        type: raw
      from_backup:
        description:
          - The absolute path, on the managed host, of a backup to restore onto the device first (one that
            C(cobalin configure --backup) or C(BackupSetting) wrote, readable by its owner only).
          - The row's other keys apply on top of it; the device keeps its own identity (serial numbers, hardware ID).
          - The device takes the backup's password unless I(new_password) is given.
        type: path
  plan:
    description:
      - The path of a plan file (CSV) on the managed host, instead of I(devices).
      - It must be readable by its owner only, as C(cobalin configure) demands
        of a plan file; the module reads it and gives it on standard input.
    type: path
  backup:
    description: A folder on the managed host where each device's record is saved before it is written.
    type: path
  network:
    description: Search only this network's broadcast address, C(A.B.C.255).
    type: str
  address:
    description: Search only this device address, C(A.B.C.D).
    type: str
  port:
    description: The search's port.
    type: int
  seconds:
    description: How long the search waits for answers.
    type: float
  home:
    description: The settings folder C(cobalin) uses on the managed host.
    type: path
  executable:
    description: The C(cobalin) program on the managed host, a name on its PATH or a path.
    type: str
    default: cobalin
notes:
  - Supports check mode and diff mode. The diff shows, per device, the keys
    that change and the values the plan gives them; passwords are masked.
requirements:
  - cobalin on the managed host
'''

EXAMPLES = r'''
- name: Rename two racks and move them, passwords from Ansible Vault
  cobalin_configure:
    devices:
      - mac: "02:7E:3A:05:00:01"
        password: "{{ vault_rack_password }}"
        name: Rack-1
        ip: 192.168.1.61
      - mac: "02:7E:3A:05:00:02"
        password: "{{ vault_rack_password }}"
        name: Rack-2
        ip: 192.168.1.62
    backup: /var/backups/cobalin
    network: 192.168.1.255

- name: Give an IP Dongle a new password, the old one from the environment
  cobalin_configure:
    devices:
      - mac: "02:7E:3A:04:C8:01"
        password: "{{ lookup('env', 'DONGLE_PASSWORD') }}"
        new_password: "{{ vault_dongle_password }}"

- name: A plan file already on the jump host
  cobalin_configure:
    plan: /root/rack-plan.csv
'''

RETURN = r'''
devices:
  description: The report of C(cobalin configure), one object per plan row.
  returned: when the command printed its report
  type: list
  elements: dict
  sample:
    - mac: "02:7E:3A:05:00:01"
      status: updated
      changed: [name, ip]
      ip: 192.168.1.61
    - mac: "02:7E:3A:05:00:02"
      status: refused
      changed: []
      reason: the password does not match the device's
      ip: 192.168.1.12
rc:
  description: The exit status of C(cobalin configure) (0 every row ended well, 1 some row did not, 2 nothing was sent).
  returned: always
  type: int
  sample: 0
'''

import csv
import io
import json
import os
import stat

from ansible.module_utils.basic import AnsibleModule

# The plan's keys besides mac and password, in the order the command reports them.
VALUE_KEYS = (
    'name', 'new_password', 'dhcp', 'ip', 'netmask', 'gateway', 'hardware_id', 'serial_port', 'baud_rate',
    'data_stop_bits', 'parity', 'flow_control', 'protocol', 'serial_timeout', 'tcp_alive_timeout',
    'connection_mode', 'tcp_udp_port', 'serial_port_mode', 'maximum_connection', 'remote_ip_address', 'model',
    'location', 'serial_no_brenik',
)
SECRET_KEYS = ('password', 'new_password')
# Plan columns that are no parameter of their own.
RESTORE_KEYS = ('from_backup',)
# What the command did to a device, by its run: a row in these states changed it.
CHANGED_STATUS = {False: ('updated', 'not_verified'), True: ('would_change',)}
GOOD_STATUS = {False: ('unchanged', 'updated'), True: ('unchanged', 'would_change')}


def row_options():
    options = dict(mac=dict(type='str', required=True),
                   password=dict(type='str', required=True, no_log=True))
    for key in VALUE_KEYS:
        options[key] = dict(type='str', no_log=True) if key in SECRET_KEYS else dict(type='raw')
    for key in RESTORE_KEYS:
        options[key] = dict(type='path')
    return options


def cell(key, value):
    """A row's value as the plan's text; None leaves the parameter alone."""
    if value is None:
        return ''
    if isinstance(value, bool):
        raise ValueError('%s: give a text, not a yes/no value' % key)
    if isinstance(value, (int, float)):
        return str(value)
    if isinstance(value, str):
        return value
    raise ValueError('%s: give a text or a number' % key)


def plan_text(devices):
    """The rows as the command's CSV plan, only the columns some row uses."""
    used = [k for k in VALUE_KEYS + RESTORE_KEYS if any(d.get(k) not in (None, '') for d in devices)]
    for d in devices:
        # The plan goes on standard input: a relative path would be read from
        # wherever the module happens to run.
        if d.get('from_backup') and not os.path.isabs(d['from_backup']):
            raise ValueError('from_backup: give an absolute path, not %s' % d['from_backup'])
    out = io.StringIO()
    writer = csv.writer(out, lineterminator='\r\n')
    writer.writerow(['mac', 'password'] + used)
    for d in devices:
        writer.writerow([cell('mac', d['mac']), cell('password', d['password'])] + [cell(k, d.get(k)) for k in used])
    return out.getvalue()


def read_plan_file(path):
    """A plan file's text; refused when group or others may read it."""
    fd = os.open(path, os.O_RDONLY)
    try:
        if os.fstat(fd).st_mode & (stat.S_IRWXG | stat.S_IRWXO):
            raise ValueError('the plan %s holds passwords but group or others may read it; run: chmod 600 %s'
                             % (path, path))
        with os.fdopen(fd, 'rb', closefd=False) as f:
            return f.read().decode('utf-8')
    finally:
        os.close(fd)


def command(module, check):
    p = module.params
    exe = p['executable']
    exe = exe if '/' in exe else module.get_bin_path(exe, required=True)
    args = [exe, 'configure', '-', '--json']
    if check:
        args.append('--check')
    for option in ('backup', 'network', 'address', 'port', 'seconds', 'home'):
        if p[option] is not None:
            args += ['--' + option, str(p[option])]
    return args


def device_diffs(report, devices, check):
    """One diff per device that changes: the keys and the plan's values for them."""
    rows = dict((d['mac'].replace('-', ':').upper(), d) for d in devices or [])
    diffs = []
    for r in report:
        if r.get('status') not in CHANGED_STATUS[check] or not r.get('changed'):
            continue
        row = rows.get(normal_mac(r['mac']), {})
        after = ''
        for key in r['changed']:
            value = '********' if key in SECRET_KEYS else cell(key, row.get(key)) if key in row else '(changed)'
            after += '%s: %s\n' % (key, value)
        diffs.append(dict(before='', after=after, before_header=r['mac'] + ' on the device',
                          after_header=r['mac'] + ' after the plan'))
    return diffs


def normal_mac(mac):
    digits = ''.join(c for c in mac if c not in ':-').upper()
    return ':'.join(digits[i:i + 2] for i in range(0, len(digits), 2))


def failures(report, check):
    """The rows that did not end well, one line each with the reason."""
    lines = []
    for r in report:
        if r.get('status') in GOOD_STATUS[check]:
            continue
        line = '%s: %s' % (r.get('mac', '?'), r.get('status', '?'))
        if r.get('reason'):
            line += ': ' + r['reason']
        lines.append(line)
    return lines


def read_report(out):
    """The command's JSON report, or None when it printed none whole."""
    try:
        report = json.loads(out) if out.strip() else None
    except ValueError:
        return None
    return report if isinstance(report, list) else None


def outcome(rc, out, err, check):
    """What a run of the command comes to: whether the host fails, and the
    module's result (changed, rc, the report's rows, msg)."""
    report = read_report(out)
    result = dict(changed=False, rc=rc)
    if report is not None:
        result['devices'] = report
        result['changed'] = any(r.get('status') in CHANGED_STATUS[check] for r in report)
    if rc == 0 and report is not None:
        return False, result
    lines = failures(report, check) if report is not None else []
    said = err.strip()
    if not lines and said:
        lines.append(said)
    if not lines:
        lines.append('cobalin configure ' + ('was ended by signal %d' % -rc if rc < 0 else 'ended with exit status %d' % rc))
    # Killed or crashed before its report, the command may have been in the
    # middle of its writes; only exit status 2 promises that nothing was sent.
    if report is None and not check and rc != 2:
        result['changed'] = True
        lines.append('it ended without a report, so devices may have been written: search to see what they hold')
    result['msg'] = '; '.join(lines)
    return True, result


def main():
    module = AnsibleModule(
        argument_spec=dict(
            devices=dict(type='list', elements='dict', options=row_options()),
            plan=dict(type='path'),
            backup=dict(type='path'),
            network=dict(type='str'),
            address=dict(type='str'),
            port=dict(type='int'),
            seconds=dict(type='float'),
            home=dict(type='path'),
            executable=dict(type='str', default='cobalin'),
        ),
        mutually_exclusive=[('devices', 'plan'), ('network', 'address')],
        required_one_of=[('devices', 'plan')],
        supports_check_mode=True,
    )
    check = module.check_mode
    devices = module.params['devices']
    if devices is not None:
        for d in devices:
            d['mac'] = normal_mac(d['mac'])
    try:
        text = plan_text(devices) if devices is not None else read_plan_file(module.params['plan'])
    except (ValueError, OSError, UnicodeDecodeError) as e:
        module.fail_json(msg='cobalin_configure: %s' % e, rc=2, changed=False)

    args = command(module, check)
    rc, out, err = module.run_command(args, data=text, binary_data=True, environ_update=dict(LC_ALL='C.UTF-8'))
    failed, result = outcome(rc, out, err, check)
    if module._diff and isinstance(result.get('devices'), list):
        result['diff'] = device_diffs(result['devices'], devices, check)
    if failed:
        module.fail_json(**result)
    module.exit_json(**result)

if __name__ == '__main__':
    main()
