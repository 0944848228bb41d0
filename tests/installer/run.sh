#!/usr/bin/env bash
# The installer tests, in a Wine prefix of their own (installing must not
# change the registry the other tests run against): a silent install of an
# older Setup into a fresh prefix (where the package for Windows 11's menu
# cannot be registered), its files and keys, a conversion started by
# 32- and 64-bit clients through the installed extension, an upgrade to the build's
# Setup while that client holds the extension, and a silent uninstall, waited
# for, after which the registry and the files are as before the install.
# Writes GoogleTest-style XML for tools/count-results.py.
#   tests/installer/run.sh BUILD_ROOT XML
set -uo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
. "$repo/tools/wine-env.sh"

root="$(realpath -m "$1")"; xml="$2"
# The client that plays Explorer's part, built in each tree (tests/installer/ShellClient.cpp).
client64="$root/x64/tests/shell_client.exe"; client32="$root/x86/tests/shell_client.exe"
work="$root/installer-test"
rm -rf "$work"; mkdir -p "$work"
wine_env "$work"
# No desktop entries on the host for the Start-menu shortcuts.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
trap wine_stop EXIT

version="$(sed -n 's/^!define VERSION "\(.*\)"$/\1/p' "$root/x86/installer/Version.nsh")"
setup="$root/WavorySetup-$version.exe"
old_version=0.9.0.0
old_setup="$work/WavorySetup-$old_version.exe"
. "$repo/tests/installer/steps.sh"

run_case Setup.ShipsStrippedWindows7BinariesWithTheBuildsVersion check_binaries
run_case Setup.AsksForElevationInItsManifest check_elevation
run_case Setup.SignsEveryBinaryAndTheSetupWhenGivenACertificate check_signing
run_case Setup.BuildsAnOlderSetupForTheUpgrade build_old_setup
# Wine's server and services must not hold the pipe the test runner reads.
if ! wine_prefix >>"$WINE_LOG" 2>&1 || ! wine_start >>"$WINE_LOG" 2>&1; then
  record Setup.FreshPrefix "no Wine prefix could be made (see $WINE_LOG)"
else
  run_case Setup.SilentInstallIntoAFreshPrefix install_old
  run_case Setup.InstallsThePackageWhereWindowsCannotRegisterItAndTheClassicMenuServes check_package_step
  run_case Setup.EveryFileWhereItBelongs check_files
  run_case Setup.RegistrationInBothViewsAndTheUninstallEntry check_keys
  run_case Setup.A32BitClientConvertsThroughTheInstalledProgram convert_32
  run_case Setup.A64BitClientConvertsThroughTheInstalledProgram convert_and_hold
  run_case Setup.UpgradeInPlaceWhileExplorerHoldsTheExtension upgrade
  run_case Setup.TheUpgradedExtensionStartsTheUpgradedProgram convert_again
  run_case Setup.SilentUninstallWhileExplorerHoldsTheExtensionLeavesNoTraceAfterTheRestart uninstall
fi
write_xml "$xml" installer_tests
