-- Tarnwick's install recipe: state, helpers and the five phases the installer
-- calls in order (BeforeInit, BeforeInstall, OnInstall, BeforeComplete, AfterComplete).

------------------------------------------------------------------------------
-- Private state
------------------------------------------------------------------------------
local scriptVersion = "1.0.11.18"
local dialogCaption = string.format("%s - 安装", global_product_name)
local oemUnionId = 13000
local lockedFileDir = Lua_ExpandEnv("%TMP%")
local registeredUnionId = 0
local serviceProgram = "TarnwickSrv.exe"
local silentUpdate = false

is_upgrade = false
global_ss_install = false
global_ss_run = false

------------------------------------------------------------------------------
-- Helpers
------------------------------------------------------------------------------
function Sleep(ms)
  local sleep = GLibTab["Kernel32"]:Get("Sleep")
  sleep(ms)
end

function path_unquote_spaces(text)
  return (string.gsub(text, '^"*(.-)"*$', "%1"))
end

local function wow64_functions()
  local kernel32 = GLibTab["kernel32"]
  return kernel32:Get("Wow64DisableWow64FsRedirection", "int"),
         kernel32:Get("Wow64RevertWow64FsRedirection", "int")
end

-- File-system redirection: only a 32-bit installer on 64-bit Windows needs it.
fsredir = {}
fsredir.IsNeed = Lua_GetOSVersion() > 5 and Lua_IsWow64() == true
fsredir.Wow64DisableWow64FsRedirection, fsredir.Wow64RevertWow64FsRedirection = wow64_functions()
if fsredir.IsNeed then
  fsredir.pOld = RawBuffer.New(4)
  function fsredir:Disable()
    self.Wow64DisableWow64FsRedirection(self.pOld)
  end
  function fsredir:Revert()
    self.Wow64RevertWow64FsRedirection(self.pOld:OffsetGetAsUInt32(0))
  end
else
  function fsredir:Disable() end
  function fsredir:Revert() end
end

function Split(text, separator)
  Lua_Logout("FullString:" .. text)
  local pieces = {}
  local start = 1
  while true do
    local first, last = string.find(text, separator, start)
    if not first then
      table.insert(pieces, string.sub(text, start))
      break
    end
    table.insert(pieces, string.sub(text, start, first - 1))
    start = last + 1
  end
  return pieces, #pieces
end

local function file_title(path)
  local name = string.match(path, ".+\\([^\\]*%.%w+)$")
  if not name then return nil end
  local dot = string.match(name, ".+()%.%w+$")
  if dot then return string.sub(name, 1, dot - 1) end
  return name
end

local function file_name(path)
  return string.match(path, ".*\\([^\\]+.*)$") or path
end

function paht_remove_filename(path)
  return string.match(path, "^(%a:\\.+)\\[^\\]*$") or string.sub(path, 1, 3)
end

function GetCurrentUnionID()
  local id = Lua_RegQuery("HKCU", global_reg_sub_key, "UnionId")
  Lua_Logout("union_id=" .. tostring(id))
  if id == nil then
    id = Lua_RegQuery("HKLM", global_reg_sub_key, "UnionId")
    Lua_Logout("union_id=" .. tostring(id))
  end
  if id == nil then return 0 end
  return tonumber(id)
end

function CheckUnionID()
  return GetCurrentUnionID() ~= global_union_id
end

function GetUnionByPkgName()
  return string.match(file_name(Lua_GetModuleFileName()), "^.*_.*%-(%d+).*%..*$")
end

function AnalyzeParam()
  local pieces, count = Split(file_title(Lua_GetModuleFileName()) or "", "_")
  if count ~= 3 then return end
  if string.lower(pieces[1]) ~= string.lower(global_product_name_inner) then return end
  local id = tonumber(pieces[2])
  if id == nil or id < 40000 or id >= 40999 then return end
  replace_union_id = id
  global_union_id = id
  Lua_Logout("union_id:-----------2" .. id)
  g_default_uinon = 0
end

function InitCommandLineArgv_new()
  local argv = Lua_GetCommandLineArgv() or {}
  for _, arg in ipairs(argv) do
    local head5, head6, head9 = string.sub(arg, 1, 5), string.sub(arg, 1, 6), string.sub(arg, 1, 9)
    if arg == "/s" or arg == "-s" then
      if global_enable_ss_install == true then
        global_ss_install = true
        global_ss_run = true
        global_show_completewindow = false
      end
    elseif arg == "/sUpdate" or arg == "-sUpdate" or arg == "/srvUpdate" then
      global_ss_install = true
      global_show_completewindow = false
      silentUpdate = true
    elseif arg == "/NormalUpdate" then
      is_normal_update_install = true
      is_upgrade = true
    elseif arg == "/ForceUpdate" then
      is_force_update_install = true
      is_upgrade = true
      global_show_completewindow = false
    elseif head5 == "-uid=" or head5 == "-uid:" or head5 == "/uid:" then
      global_union_id = tonumber(string.sub(arg, 6))
    elseif head6 == "-path=" or head6 == "-path:" or head6 == "/path:" then
      global_install_path = string.sub(arg, 7)
    elseif head9 == "/startup:" then
      update_startup_type = tonumber(string.sub(arg, 10))
    end
  end
end

function analy_filename_with_ss_param()
  local title = file_title(Lua_GetModuleFileName()) or ""
  Lua_Logout("analy_filename_with_ss_param:stAppName " .. title)
  title = string.lower(title)
  if string.find(title, "@st", 1, true) then
    global_ss_install = true
    global_ss_run = true
  end
  if string.find(title, "@stt", 1, true) then
    global_ss_install = true
    global_ss_run = false
  end
end

function analy_filename_with_shortcut_param()
  local title = string.lower(file_title(Lua_GetModuleFileName()) or "")
  local function has(marker) return string.find(title, marker, 1, true) ~= nil end
  if has("@dto") then DesktopShortcutChk = true end
  if has("@dtc") then DesktopShortcutChk = false end
  if has("@smo") then StartMenuShortcutChk = true end
  if has("@smc") then StartMenuShortcutChk = false end
  if has("@qlo") then QuickLaunchChk = true end
  if has("@qlc") then QuickLaunchChk = false end
  if has("@swo") then ShouldStartWithWindowsChk = true end
  if has("@swc") then ShouldStartWithWindowsChk = false end
  if has("@ssc") then InstallSearchServer = false end
end

local function wide(text)
  if text == nil then return nil end
  return WString.New(nil, text)
end

function FindWnd(class, title)
  local find = GLibTab["User32"]:Get("FindWindowW", "int")
  return find(wide(class), wide(title))
end

function CheckClient()
  if global_ss_install == true then return end
  if FindWnd(global_main_wnd_cls, nil) == 0 then return end
  local text = string.format("检测到 %s 正在运行\r\n选择[确定]强制关闭，[取消]取消安装", global_product_name)
  local answer = Lua_MsgBox(text, dialogCaption, bit32.bor(1, 48, 65536))
  if answer ~= 1 then os.exit(0) end
end

function DeleteFileAndDirect(path, flag)
  if path == nil then return end
  if flag then
    Lua_DelFileRecursive(path, function() end)
  else
    Lua_DelFileRecursive(path)
  end
end

------------------------------------------------------------------------------
-- Preparation phases
------------------------------------------------------------------------------
function ZRLSE_BeforeInit()
  Lua_Logout("script_version:" .. scriptVersion)
  if Lua_GetOSVersion() < 6 then
    Lua_MsgBox(global_product_name .. " 目前只支持WIN7和更新的Windows操作系统！")
    os.exit(0)
  end
  registeredUnionId = GetCurrentUnionID()
  if registeredUnionId == test_union_id then global_cover_unionId = true end
  local digits = GetUnionByPkgName()
  if digits then oemUnionId = digits end

  global_install_path = Lua_RegQuery("HKLM", global_uninst_sub_key, "InstallLocation")
  if not global_install_path then global_install_path = Lua_RegQuery("HKLM", global_reg_sub_key, "AppPath") end
  if not global_install_path then global_install_path = Lua_RegQuery("HKCU", global_reg_sub_key, "AppPath") end

  if global_disable_cover == true and CheckUnionID() and global_install_path ~= nil then
    os.exit(0)
  end
  if global_disable_analyze_params_from_file_name == false then AnalyzeParam() end
  InitCommandLineArgv_new()

  if not global_install_path then
    local base = fsredir.IsNeed and "%ProgramFiles(x86)%\\" or "%ProgramFiles%\\"
    global_install_path = Lua_ExpandEnv(base) .. global_install_basepath
  end
  if not global_need_disk_space then global_need_disk_space = 20048128 end
  if global_startup_check_visable == nil then global_startup_check_visable = true end
  if not global_startup_check then global_startup_check = true end
  if global_enable_ss_install == true then
    if global_default_ss_install ~= nil and global_default_ss_install == true then
      global_ss_install = true
      global_ss_run = true
    else
      analy_filename_with_ss_param()
    end
  end
  if not global_custom_reg_list then global_custom_reg_list = {} end
  if global_show_completewindow == nil then global_show_completewindow = true end
  if not DesktopShortcutChk then DesktopShortcutChk = true end
  if not StartMenuShortcutChk then StartMenuShortcutChk = true end
  if not QuickLaunchChk then QuickLaunchChk = true end
  if not ShouldStartWithWindowsChk then ShouldStartWithWindowsChk = true end
  if not InstallSearchServer then InstallSearchServer = true end
  if global_ss_install == true then analy_filename_with_shortcut_param() end
end

function ZRLSE_BeforeInstall()
  CheckClient()
  global_tb_version = {}
  for digits in string.gmatch(global_version, "(%d+)|*") do
    table.insert(global_tb_version, tonumber(digits))
  end
  local v = global_tb_version
  global_dwversion = ((v[1] * 100 + v[2]) * 100 + v[3]) * 10000 + v[4]
  Lua_Logout(tostring(InstallPath))
  global_install_path = InstallPath
  Lua_CreateDirectory(global_install_path)
end

------------------------------------------------------------------------------
-- Install actions
------------------------------------------------------------------------------
local function install_service()
  Lua_Exec(global_install_path .. "\\" .. serviceProgram, nil, "--install", true)
end

local function remove_service()
  if Lua_ShellExec("cmd.exe", "/C sc stop tarnwickSvc") then Lua_Logout("/C sc stop tarnwickSvc") end
  if Lua_ShellExec("cmd.exe", "/C sc delete tarnwickSvc") then Lua_Logout("/C sc delete tarnwickSvc") end
end

-- A payload file that cannot be created (the old one is locked): move the old
-- one aside into lockedFileDir, delete it at the next restart, and retry.
local function onCreateFailed(path, code)
  Lua_Logout(path .. string.format("  创建文件出错:%d", code))
  local temp = Lua_GetTempFileName(lockedFileDir, "JsZip")
  local unique = Lua_PathYetAnotherMakeUniqueName(temp)
  Lua_Logout(tostring(unique))
  if Lua_MoveFile(path, unique) then
    Lua_DeleteFileAfterReboot(unique)
    return 0
  end
  return 2
end

local function build_reg_add_list()
  local dir = global_install_path
  local HKLM, HKCU = "HKLM", "HKCU"
  local key, uninst = global_reg_sub_key, global_uninst_sub_key
  reg_add_list = {
    {hkey = HKLM, subkey = key, value = "AppPath", datatype = "REG_SZ", data = dir, overwrite = true},
    {hkey = HKLM, subkey = key, value = "UnionId", datatype = "REG_DWORD", data = global_union_id, overwrite = global_cover_unionId},
    {hkey = HKLM, subkey = key, value = "OEMUnionId", datatype = "REG_DWORD", data = oemUnionId, overwrite = global_cover_unionId},
    {hkey = HKLM, subkey = key, value = "OemID", datatype = "REG_DWORD", data = 1, overwrite = true},
    {hkey = HKLM, subkey = key, value = "UserID", datatype = "REG_BINARY", data = 0, overwrite = true},
    {hkey = HKCU, subkey = key, value = "AppPath", datatype = "REG_SZ", data = dir, overwrite = true},
    {hkey = HKCU, subkey = key, value = "UnionId", datatype = "REG_DWORD", data = global_union_id, overwrite = global_cover_unionId},
    {hkey = HKCU, subkey = key, value = "OEMUnionId", datatype = "REG_DWORD", data = oemUnionId, overwrite = global_cover_unionId},
    {hkey = HKCU, subkey = key, value = "OemID", datatype = "REG_DWORD", data = 1, overwrite = true},
    {hkey = HKCU, subkey = key, value = "UserID", datatype = "REG_BINARY", data = 0, overwrite = true},
    {hkey = HKCU, subkey = key, value = "DisplayVersion", datatype = "REG_SZ", data = global_version, overwrite = true},
    {hkey = HKCU, subkey = key, value = "Version", datatype = "REG_DWORD", data = global_dwversion, overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "DisplayIcon", datatype = "REG_SZ", data = main_app_fullpath, overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "DisplayName", datatype = "REG_SZ", data = global_product_name, overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "DisplayVersion", datatype = "REG_SZ", data = global_version, overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "EstimatedSize", datatype = "REG_DWORD", data = global_need_disk_space / 1024, overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "NoModify", datatype = "REG_DWORD", data = 1, overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "NoRepair", datatype = "REG_DWORD", data = 1, overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "Publisher", datatype = "REG_SZ", data = global_company_name, overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "UninstallString", datatype = "REG_SZ", data = dir .. "\\Uninstall.exe", overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "InstallLocation", datatype = "REG_SZ", data = dir, overwrite = true},
    {hkey = HKLM, subkey = uninst, value = "InstallDate", datatype = "REG_SZ", data = os.date("%Y%m%d"), overwrite = true},
  }
end

local function write_reg_list(list)
  for _, e in ipairs(list) do
    Lua_RegAdd(e.hkey, e.subkey, e.value, e.datatype, e.data, e.overwrite)
  end
end

local function write_merchant_id()
  local merchant = Lua_RegQuery("HKCU", global_reg_sub_key, "MerchantID")
  if merchant ~= nil and merchant == "" then Lua_RegDel("HKCU", global_reg_sub_key, "MerchantID") end
  local appPath = Lua_RegQuery("HKLM", global_reg_sub_key, "AppPath")
  if not appPath then appPath = Lua_RegQuery("HKCU", global_reg_sub_key, "AppPath") end
  if not appPath and global_merchant_id ~= nil then
    Lua_RegAdd("HKCU", global_reg_sub_key, "MerchantID", "REG_SZ", global_merchant_id, global_merchant_id_overwrite)
  end
end

function ZRLSE_OnInstall()
  local dir = global_install_path
  remove_service()
  Lua_KillAllTaskByName(global_main_app_name_inner)
  Lua_KillAllTaskByName("Tarnwick.exe")
  Lua_KillAllTaskByName("model.exe")
  Sleep(2000)

  if string.lower(string.sub(lockedFileDir, 1, 1)) ~= string.lower(string.sub(dir, 1, 1)) then
    lockedFileDir = paht_remove_filename(dir) .. "\\del_reboot"
    Lua_CreateDirectory(lockedFileDir)
  end

  if not Lua_UnCompress7z("App.7z", dir, false, nil, onCreateFailed) then
    Lua_MsgBox("释放文件时出现错误，安装程序将终止！", dialogCaption)
    os.exit(0)
  end

  Lua_ExtractResource("LUA", "GLOBAL_VAR.LUAC", dir .. "\\Uninst.dar0")
  Lua_ExtractResource("LUA", "UNINSTSCRIPT.LUAC", dir .. "\\Uninst.dar1")
  main_app_fullpath = dir .. "\\" .. global_main_app_name

  local helperPath = dir .. "\\shellaid.dll"
  local helper = GLibTab[helperPath]
  if helper then helper:Get("IsOSWin7", "bool") end

  write_merchant_id()
  build_reg_add_list()
  write_reg_list(reg_add_list)
  write_reg_list(global_custom_reg_list)

  fsredir:Disable()
  Lua_RegVarByCSIDL("COMMPROGRAMS", 23)
  Lua_RegVarByCSIDL("DESKTOP", 16)
  if helper then
    local allow = helper:Get("AllowAccountPrivilege", "bool")
    if allow then allow(WString.New(nil, dir)) end
  end
  Lua_Logout("ZRLSE_OnInstall_8")

  Lua_DeleteFile(string.format("%s\\%s.lnk", "%DESKTOP%", global_old_product_name))
  if DesktopShortcutChk == true and helper then
    local create = helper:Get("CreateDesktopShortcut", "void")
    if create then
      create(WString.New(nil, main_app_fullpath), WString.New(nil, global_main_wnd_cls),
             WString.New(nil, global_product_name))
    end
  end

  if StartMenuShortcutChk == true then
    local group = string.format("%s\\%s", "%COMMPROGRAMS%", global_product_name)
    DeleteFileAndDirect(group, true)
    Lua_DeleteFile(group)
    fsredir:Revert()
    Lua_CreateShortcut(main_app_fullpath,
                       string.format("%s\\%s\\%s.lnk", "%COMMPROGRAMS%", global_product_name, global_product_name),
                       "/menu", nil)
    Lua_CreateShortcut(dir .. "\\Uninstall.exe",
                       string.format("%s\\%s\\卸载%s.lnk", "%COMMPROGRAMS%", global_product_name, global_product_name),
                       "", nil)
    Lua_RegAdd("HKCU", global_reg_sub_key, "StartMenuShortcutChk", "REG_DWORD", 1, true)
  else
    Lua_RegAdd("HKCU", global_reg_sub_key, "StartMenuShortcutChk", "REG_DWORD", 0, true)
  end

  local runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
  if ShouldStartWithWindowsChk == true then
    Lua_RegAdd("HKCU", runKey, global_product_name_inner, "REG_SZ",
               string.format("%s\\%s /auto", dir, global_main_app_name), true)
  else
    Lua_RegDel("HKCU", runKey, global_product_name_inner)
  end

  if helper then helper:UnLoad() end
  GLibTab[helperPath] = nil
  fsredir:Revert()

  if global_create_log_folder == true then Lua_CreateDirectory(dir .. "\\log") end
  if lockedFileDir ~= Lua_ExpandEnv("%TMP%") then
    Lua_DelFileRecursive(lockedFileDir)
    Lua_DeleteFileAfterReboot(lockedFileDir)
  end
end

function add_firewall_rule()
  Lua_Logout("add_firewall_rule")
  local netsh = "%windir%\\system32\\netsh.exe"
  local name, dir = global_product_name, global_install_path
  -- The rules allow the product's main program.
  local program = string.format("%s\\%s", dir, global_main_app_name)
  Lua_Exec(netsh, nil, string.format('advfirewall firewall delete rule name="%s"', name), true)
  Lua_Exec(netsh, nil, string.format('advfirewall firewall add rule name="%s" dir=in program="%s" action=allow', name, program), true)
  Lua_Exec(netsh, nil, string.format('advfirewall firewall add rule name="%s" dir=out program="%s" action=allow', name, program), true)
  Lua_Logout("add_firewall_rule end")
end

local function start_product()
  Lua_ExplorerExec(global_install_path .. "\\" .. global_main_app_name, "")
end

function RunApp()
  if not (global_enable_ss_install == true and global_ss_install == true) then return end
  if global_ss_run == true then
    start_product()
  elseif silentUpdate == true then
    Lua_Logout("bRunTray")
    Lua_RegAdd("HKCU", global_reg_sub_key, "RunToTray", "REG_DWORD", 1, true)
    start_product()
  end
end

function InstallReport(versionTable, unionId, appId)
  Lua_Logout("start install report info")
  local path = global_install_path .. "\\pqstat.dll"
  local stat = GLibTab[path]
  assert(stat ~= nil, "LoadLibrary " .. path .. " failed")
  local function export(name, returnType)
    local fn, code = stat:Get(name, returnType)
    assert(fn ~= nil, 'GetProcAddress "' .. name .. '" failed, errcode : ' .. tostring(code))
    return fn
  end
  export("stat_unionid")(unionId)
  export("stat_appid")(appId)
  export("stat_level")(2)
  export("stat_version_ex")(versionTable[1], versionTable[2], versionTable[3], versionTable[4])
  export("stat_install_addr")(global_udp_install_uninstall_url, tonumber(global_udp_un_install_port))
  if not export("stat_init", "bool")() then
    Lua_Logout("stat_init failed!")
    return false
  end
  Lua_Logout(global_udp_install_uninstall_url)
  local kind = 1
  if registeredUnionId ~= 0 then
    kind = 3
    Lua_Logout("cover install!!!")
  end
  export("stat_install", "int")(kind)
  local posted = export("stat_http_post", "int")(global_install_PostURL, nil, 0, true)
  Lua_Logout(global_install_PostURL)
  export("stat_close")(50)
  stat:UnLoad()
  GLibTab[path] = nil
  return posted == 1
end

function UpInfomession()
  report_union_id = global_union_id
  if registeredUnionId ~= 0 and registeredUnionId ~= test_union_id then
    report_union_id = registeredUnionId
  end
  InstallReport(global_tb_version, report_union_id, global_app_id)
end

function notify_association_changed()
  local notify = GLibTab["shell32"]:Get("SHChangeNotify", "void")
  notify(134217728, 3, 0, 0)
end

function ZRLSE_BeforeComplete()
  if is_upgrade == true and global_show_completewindow == false then start_product() end
  add_firewall_rule()
  if InstallSearchServer == true then install_service() end
  RunApp()
  UpInfomession()
  notify_association_changed()
end

function ZRLSE_AfterComplete()
end
