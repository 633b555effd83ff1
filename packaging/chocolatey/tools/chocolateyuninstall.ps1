# Removes Pixorra the way its uninstall entry says: the entry's
# QuietUninstallString ("<folder>pv_uninstall.exe" /silent).
$ErrorActionPreference = 'Stop'
$entryKey = 'HKLM:\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pixorra64'

$entry = Get-ItemProperty -Path $entryKey -ErrorAction SilentlyContinue
if ($null -eq $entry -or -not $entry.QuietUninstallString) {
  Write-Warning "Pixorra is not installed (no uninstall entry $entryKey); nothing to remove."
  return
}
if ($entry.QuietUninstallString -notmatch '^"([^"]+)"\s*(.*)$') {
  throw "Unexpected QuietUninstallString: $($entry.QuietUninstallString)"
}
$packageArgs = @{
  packageName    = $env:ChocolateyPackageName
  fileType       = 'exe'
  file           = $Matches[1]
  silentArgs     = $Matches[2]
  validExitCodes = @(0)
}
Uninstall-ChocolateyPackage @packageArgs
