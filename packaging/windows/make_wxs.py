#!/usr/bin/env python3
"""Writes the WiX source of Wardcheck's MSI for wixl, from the folder that
holds the program as it is installed (scripts/windows.sh makes that folder).

usage: make_wxs.py STAGE_DIR VERSION MANUFACTURER OUT.wxs

Every file of STAGE_DIR is one component under the installation folder; wixl
wants the source paths relative to the folder it runs in, which is STAGE_DIR's
parent.
"""
import hashlib
import os
import sys
from xml.sax.saxutils import quoteattr

STAGE, VERSION, MANUFACTURER, OUT = sys.argv[1:5]

# Fixed for every version of Wardcheck: Windows Installer knows a later
# version by it and replaces the one installed.
UPGRADE_CODE = '3D496DFA-C961-43F3-8330-F4116B68375B'
EVENT_SOURCE = 'SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Wardcheck'


def ident(prefix, path):
    # Installer ids: letters, digits, underscores and dots, at most 72 long.
    return '%s_%s' % (prefix, hashlib.sha1(path.encode()).hexdigest()[:24])


def walk(folder, rel, depth):
    pad = '  ' * depth
    lines = []
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        relpath = os.path.join(rel, name) if rel else name
        if os.path.isdir(path):
            lines.append('%s<Directory Id=%s Name=%s>' % (pad, quoteattr(ident('d', relpath)), quoteattr(name)))
            lines += walk(path, relpath, depth + 1)
            lines.append('%s</Directory>' % pad)
            continue
        source = os.path.join(os.path.basename(STAGE), relpath)
        component = ident('c', relpath)
        COMPONENTS.append(component)
        lines.append('%s<Component Id=%s Guid="*" Win64="yes">' % (pad, quoteattr(component)))
        if relpath == 'wardcheck.exe':
            lines.append('%s  <File Id="wardcheck.exe" Name="wardcheck.exe" Source=%s KeyPath="yes">'
                         % (pad, quoteattr(source)))
            lines.append('%s    <Shortcut Id="StartMenuShortcut" Directory="ProgramMenuFolder" Name="Wardcheck" '
                         'Description="Bedside barcode checks of medicines and specimens" '
                         'WorkingDirectory="INSTALLDIR" Icon="wardcheck.ico" IconIndex="0" Advertise="yes"/>'
                         % pad)
            lines.append('%s  </File>' % pad)
            # The audit record's event source: Event Viewer finds its
            # sentences in the program's message table. Removed with it.
            lines.append('%s  <RegistryKey Root="HKLM" Key=%s Action="createAndRemoveOnUninstall">'
                         % (pad, quoteattr(EVENT_SOURCE)))
            lines.append('%s    <RegistryValue Name="EventMessageFile" Type="expandable" '
                         'Value="[INSTALLDIR]wardcheck.exe"/>' % pad)
            lines.append('%s    <RegistryValue Name="TypesSupported" Type="integer" Value="7"/>' % pad)
            lines.append('%s  </RegistryKey>' % pad)
        else:
            lines.append('%s  <File Id=%s Name=%s Source=%s KeyPath="yes"/>'
                         % (pad, quoteattr(ident('f', relpath)), quoteattr(name), quoteattr(source)))
        lines.append('%s</Component>' % pad)
    return lines


# Windows Installer compares product versions by their first three fields
# only, and Wardcheck counts its releases in the fourth (6.0.0.11): every
# 6.0.0.x is "the same version" to it. So the upgrade replaces whatever is
# installed below 6.0.1, this build included, and an installed 6.0.1 or later
# stops the install.
major, minor, build = (int(part) for part in VERSION.split('.')[:3])
NEXT = '%d.%d.%d' % (major, minor, build + 1)

COMPONENTS = []
files = walk(STAGE, '', 5)
refs = '\n'.join('      <ComponentRef Id=%s/>' % quoteattr(c) for c in COMPONENTS)
icon = 'wardcheck.ico'  # beside STAGE_DIR, not installed as a file

wxs = '''<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Wardcheck" Language="1033" Version="%(version)s"
           Manufacturer=%(manufacturer)s UpgradeCode="%(upgrade)s">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description="Wardcheck %(version)s" Manufacturer=%(manufacturer)s
             Comments="Bedside barcode checks of medicines and specimens"/>
    <Upgrade Id="%(upgrade)s">
      <UpgradeVersion Property="EARLIERFOUND" Minimum="0.0.0" IncludeMinimum="yes" Maximum="%(next)s"/>
      <UpgradeVersion Property="LATERFOUND" OnlyDetect="yes" Minimum="%(next)s" IncludeMinimum="yes"/>
    </Upgrade>
    <Condition Message="A later version of Wardcheck is already installed.">NOT LATERFOUND</Condition>
    <InstallExecuteSequence>
      <RemoveExistingProducts After="InstallValidate"/>
    </InstallExecuteSequence>
    <Media Id="1" Cabinet="wardcheck.cab" EmbedCab="yes"/>
    <Icon Id="wardcheck.ico" SourceFile=%(icon)s/>
    <Property Id="ARPPRODUCTICON" Value="wardcheck.ico"/>
    <Property Id="ARPNOMODIFY" Value="1"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="Wardcheck">
%(files)s
        </Directory>
      </Directory>
      <Directory Id="ProgramMenuFolder"/>
    </Directory>
    <Feature Id="Wardcheck" Title="Wardcheck" Level="1">
%(refs)s
    </Feature>
  </Product>
</Wix>
''' % {'version': VERSION, 'manufacturer': quoteattr(MANUFACTURER), 'upgrade': UPGRADE_CODE,
       'icon': quoteattr(icon), 'files': '\n'.join(files), 'refs': refs, 'next': NEXT}

with open(OUT, 'w', encoding='utf-8') as out:
    out.write(wxs)
