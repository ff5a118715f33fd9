-- The uninstall recipe, deployed beside the product for its uninstaller.
function ZRLSE_Uninstall() end
