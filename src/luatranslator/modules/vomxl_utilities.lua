-- Language names: three-letter codes to directory names and back, and a table printer for debugging.
vomxl_utilities = {}

-- "zzz" is the language reserved for testing; it has no way back.
local longNames = {
  eng = "English",
  jpn = "Japanese",
  chs = "ChineseS",
  fra = "French",
  deu = "German",
  kor = "Korean",
  zzz = "Zzzzzzz",
}

local shortNames = {}
for short, long in pairs(longNames) do
  if short ~= "zzz" then
    shortNames[long] = short
  end
end

function vomxl_utilities.convertLangShortToLong(shortname)
  return longNames[shortname]
end

function vomxl_utilities.convertLangLongToShort(longname)
  return shortNames[longname]
end

-- Prints one line per entry, "key: value", two spaces of indent per level;
-- a nested table prints its key and then its own entries one level deeper.
-- A table met again on the way down is printed as "<cycle>" instead.
function vomxl_utilities.tprint(tbl, indent, seen)
  indent = indent or 0
  seen = seen or {}
  seen[tbl] = true
  local prefix = string.rep("  ", indent)
  for key, value in pairs(tbl) do
    if type(value) ~= "table" then
      print(prefix .. tostring(key) .. ": " .. tostring(value))
    elseif seen[value] then
      print(prefix .. tostring(key) .. ": <cycle>")
    else
      print(prefix .. tostring(key) .. ":")
      vomxl_utilities.tprint(value, indent + 1, seen)
    end
  end
  seen[tbl] = nil
end
