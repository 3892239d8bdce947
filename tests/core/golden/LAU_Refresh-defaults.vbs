Option Explicit
On Error Resume Next

Dim objProcList
Dim objProcess
Dim objWS : Set objWS = CreateObject("WScript.Shell")
Dim items
Dim Addr

items = 0
Addr = "http://192.168.1.1/display.htm?size=1"
Set objProcList = GetObject("winmgmts:").InstancesOf("win32_process")
For Each objProcess In objProcList
	If LCase(objProcess.Name) = "msedge.exe" Then
		If InStr(objProcess.CommandLine, Addr) Then
			objProcess.Terminate
			If Err.Number = 0 Then
				items = items + 1
			End If
		End If
	End If
Next

If items > 0 then
	WScript.Sleep(60000)
	objWS.Run("msedge --ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk ""http://192.168.1.1/display.htm?size=1""")
End If

Set objProcess = Nothing
Set objProcList = Nothing
Set objWS = Nothing
WScript.Quit
