-- Product constants of the carried installer.
global_app_id = 158
global_install_path = "C:\\Program Files\\Tarnwick"
global_enable_ss_install = false
global_ss_install = false
global_install_mutex_guid = ""
