-- Environment set-up of the script translator: search paths, the translator module and its settings.
local json = require("json")
require("stdint")
require("voxlatorluautils")

voxlatorlua_name = nil
voxlatorlua_xlator = nil
voxlatorlua_settings = {}

-- Message handler of the host's protected calls: the message, then where it was raised.
function voxlatorlua_errHandler(errorIn)
  return tostring(errorIn) .. "\n" .. debug.traceback()
end

-- "dir1;dir2" -> "dir1/?.lua;dir2/?.lua", each directory with its variables expanded.
local function searchPath(directories)
  local templates = {}
  for directory in string.gmatch(directories, "[^;]+") do
    directory = voxlatorluautils.expandPath(voxlatorlua_name, directory)
    directory = string.gsub(directory, "\\", "/")
    if string.sub(directory, -1) ~= "/" then
      directory = directory .. "/"
    end
    templates[#templates + 1] = directory .. "?.lua"
  end
  return table.concat(templates, ";")
end

function voxlatorlua_setupEnv(name, registrationInfo)
  local info, _, message = json.decode(registrationInfo)
  if type(info) ~= "table" then
    error("registration info is not a JSON object: " .. tostring(message or registrationInfo), 0)
  end
  voxlatorlua_name = name

  -- Modules come from the preload table unless the registration names directories.
  if info.voxlatorlua_path == nil then
    package.path = ""
  else
    package.path = searchPath(info.voxlatorlua_path)
  end
  package.cpath = ""

  if type(info.voxlatorlua_xlator) ~= "string" then
    error("registration info names no translator module", 0)
  end
  voxlatorlua_xlator = require(info.voxlatorlua_xlator)

  if info.voxlatorlua_settings ~= nil then
    voxlatorlua_settings = info.voxlatorlua_settings
  end
end
