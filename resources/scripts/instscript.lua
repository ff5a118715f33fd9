-- The install recipe: the five phases the installer calls in order.
function ZRLSE_BeforeInit() end
function ZRLSE_BeforeInstall() end
function ZRLSE_OnInstall() end
function ZRLSE_BeforeComplete() end
function ZRLSE_AfterComplete() end
