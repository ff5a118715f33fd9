-- Tarnwick's installer configuration: every product-specific constant, as
-- globals and nothing else. The install recipe also deploys this chunk beside
-- the product (Uninst.dar0) for the uninstaller.
global_install_basepath = "Tarnwick"
global_http_Agent = "TarnwickSetup/1.0.0.6 (Windows)"
global_union_id = 40004
global_union_id_x64 = 40004
global_app_id = 158
global_version = "1.0.0.6"
global_product_name = "Tarnwick"
global_shortcut_name = "Tarnwick"
global_product_name_inner = "Tarnwick"
global_company_name = "Tarnwick Software Ltd."
global_legalcopyright = "Copyright (C) 2026 Tarnwick Software Ltd. All rights reserved."
global_main_app_name = "TarnwickMain.exe"
global_main_app_name_inner = "TarnwickMain.exe"
global_old_product_name = "TarnwickMain"
global_licence_url = "https://www.tarnwick.example/licence.html"
global_need_disk_space = 244736622
global_main_wnd_cls = "tarnwickWnd"
global_uninst_sub_key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\tarnwick"
global_reg_sub_key = "SOFTWARE\\tarnwick"
global_reg_run_key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\tarnwick"
global_startup_check_visable = true
global_disable_cover = false
global_cover_unionId = false
global_show_completewindow = true
global_uninstall_useui = true
global_uninstall_no_start_prompt = true
global_create_log_folder = false
global_udp_un_install_port = 8100
global_udp_install_uninstall_url = "stat.tarnwick.example"
global_install_PostURL = "http://stat.tarnwick.example/api/InstallStat"
global_Uninstall_PostURL = "http://stat.tarnwick.example/api/UnInstallStat"
global_Uninstall_Suggesstion_url = "https://stat.tarnwick.example/feedback.html?ruleShow=true"
global_AwardLnk_url = "https://www.tarnwick.example/feedback.html?ruleShow=true"
global_Uninstall_ReasonURL = "http://api.tarnwick.example/feedback/api/v1/feedback/add"
global_kf_QQ = 4008001234
global_kf_QQQ = "https://chat.tarnwick.example/join/tarnwick-support"
global_startuseexplorer_level = true
global_disable_analyze_params_from_file_name = true
global_enable_ss_install = false
