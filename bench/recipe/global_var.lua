-- Benchmark configuration: the install folder comes from the environment.
global_app_id = 158
global_install_path = os.getenv("ZRL_BENCH_DEST") or "C:\\bench\\ours"
global_enable_ss_install = false
global_ss_install = false
global_install_mutex_guid = ""
