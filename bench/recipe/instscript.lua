-- Benchmark recipe: the install phase only extracts the payload, then records
-- the result where the benchmark looks for it.
function ZRLSE_BeforeInit() end
function ZRLSE_BeforeInstall() end
function ZRLSE_OnInstall()
  local ok = Lua_UnCompress7z("App.7z", global_install_path, false, nil, nil)
  local f = io.open(os.getenv("ZRL_BENCH_RESULT") or "C:\\bench\\result.txt", "w")
  if f then f:write(tostring(ok), "\n") f:close() end
end
function ZRLSE_BeforeComplete() end
function ZRLSE_AfterComplete() end
