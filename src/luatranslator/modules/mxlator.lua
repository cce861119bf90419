-- The registered translator: static descriptions from errors tables and description files, "json1" renderings of report items.
require("vomxl_utilities")
local cjson = cjson or require("cjson")

mxlator = {}

-- Indexed by the language number + 1 and by the development-environment code + 1.
mxlator.ThreeLetterLngStrings = { "eng", "fra", "deu", "jpn", "kor", "chs" }
mxlator.Ades = { "none", "ym", "tarn", "corvex" }

local kUnsupportedFormat = -52029 -- voapalerr_unsupportedFormat
local kNotFound = "Error description not found"

-- Usage keys whose values are attribute identifiers, shown by the attribute's name.
local attributeUsages = {
  kUsageTypeAttributeId = true,
  kUsageTypeAttributeIdentifier = true,
  kUsageTypeAffectedAttribute = true,
  kUsageTypeConflictingAttr = true,
  kUsageTypeConflictingProperty = true,
  kUsageTypeUnspecifiedProperty = true,
}

local function settings()
  return voxlatorlua_settings or {}
end

-- A module found through the preload table or the configured search paths, or nil.
local function tryRequire(name)
  local ok, module = pcall(require, name)
  if ok and type(module) == "table" then
    return module
  end
  return nil
end

local function checkEncoding(tbl)
  if tbl.encoding ~= "utf-8" then
    error("Unsupported encoding", 0)
  end
end

-- A directory search that raises (missing directory, bad file) counts as nothing found.
local function found(ok, text)
  return ok and type(text) == "string" and text ~= ""
end

function mxlator.getStaticDesc(code, lang, ade)
  local separator = string.sub(package.config, 1, 1)
  local lng = mxlator.ThreeLetterLngStrings[lang + 1] or "zzz"
  local dirName = vomxl_utilities.convertLangShortToLong(lng)
  local config = settings()
  local errorsDir
  if config.voSharedErrorsDir ~= nil then
    errorsDir = voxlatorluautils.expandPath(voxlatorlua_name, config.voSharedErrorsDir)
  end
  code = vomxl_unmapErrorCode(code)

  -- Errors tables, in the language first and then in English.
  local tableNames = { "errors_" .. lng }
  if lng ~= "eng" then
    tableNames[2] = "errors_eng"
  end
  for _, name in ipairs(tableNames) do
    local errors = tryRequire(name)
    if errors ~= nil then
      checkEncoding(errors)
      local text = errors.getString(code)
      if text ~= nil then
        return text
      end
    end
  end

  -- The driver's own description files.
  if config.MIErrorsDir ~= nil and config.driverName ~= nil then
    local driverDir = voxlatorluautils.expandPath(voxlatorlua_name, config.MIErrorsDir)
        .. separator .. config.driverName .. separator
    local ok, text = pcall(voxlatorluautils.findErrorDescriptionFromDir, driverDir .. dirName, code)
    if found(ok, text) then
      return voxlatorluautils.mbsToUtf8(lang, text)
    end
    if dirName ~= "English" then
      ok, text = pcall(voxlatorluautils.findErrorDescriptionFromDir, driverDir .. "English", code)
      if found(ok, text) then
        return voxlatorluautils.mbsToUtf8(0, text)
      end
    end
  end

  -- The shared errors directory: its language subdirectory, then the directory itself.
  if errorsDir ~= nil then
    local ok, text = pcall(voxlatorluautils.findErrorDescriptionFromErrorsDir, errorsDir, code, lang)
    if found(ok, text) then
      return text
    end
    if lang ~= 0 then
      ok, text = pcall(voxlatorluautils.findErrorDescriptionFromErrorsDir, errorsDir, code, 0)
      if found(ok, text) then
        return text
      end
    end
  end

  return kNotFound
end

-- Text form of a report value; integers print without an exponent.
local function textOf(value)
  if value == cjson.null then
    return "null"
  end
  if type(value) == "number" and value == math.floor(value) and math.abs(value) < 2 ^ 63 then
    return string.format("%d", value)
  end
  return tostring(value)
end

-- A scalar converted on its own, a list element by element.
local function mapValue(value, convert)
  if value == nil then
    return nil
  end
  if type(value) == "table" then
    local list = {}
    for i, element in ipairs(value) do
      list[i] = convert(element)
    end
    return list
  end
  return convert(value)
end

-- The attribute table to name attributes and enum values with, or nil and the reason.
local function loadAttributeTable(lng, ade, environment)
  local names = {}
  local driverName = settings().driverName
  if driverName ~= nil then
    local prefix = driverName .. "_attributes_"
    if ade ~= 0 then
      names[#names + 1] = prefix .. lng .. "_" .. environment
      if lng ~= "eng" then
        names[#names + 1] = prefix .. "eng_" .. environment
      end
    end
    names[#names + 1] = prefix .. lng
    if lng ~= "eng" then
      names[#names + 1] = prefix .. "eng"
    end
  end
  names[#names + 1] = "vomxl_defaultAttrTable"
  for _, name in ipairs(names) do
    local attributes = tryRequire(name)
    if attributes ~= nil then
      return attributes, ""
    end
  end
  return nil, "Cannot load " .. names[#names] .. "\n"
end

function mxlator.getDynamicDesc(errjson, lang, ade, format)
  if format ~= "json1" then
    return kUnsupportedFormat
  end
  local report = cjson.decode(errjson)
  if type(report) ~= "table" then
    error("error report is not a JSON object", 0)
  end
  local lng = mxlator.ThreeLetterLngStrings[lang + 1]
  if lng == nil then
    lng, lang = "zzz", 0
  end
  local environment = mxlator.Ades[ade + 1]
  if environment == nil then
    error("unknown development environment code " .. tostring(ade), 0)
  end

  local attributes, internalError = loadAttributeTable(lng, ade, environment)

  -- The usage terms, loaded with the first item that shows one: a report
  -- without items spares the table's hundreds of rows.
  local terms, termsLoaded = nil, false
  local function term(key)
    if not termsLoaded then
      termsLoaded = true
      terms = tryRequire("commonTerms_" .. lng)
      if terms == nil and lng ~= "eng" then
        terms = tryRequire("commonTerms_eng")
      end
      if terms ~= nil then
        checkEncoding(terms)
      end
    end
    local text = terms ~= nil and key ~= nil and terms.getString(key) or nil
    if text == nil then
      return key
    end
    return text
  end

  -- Attribute identifiers are unsigned 32-bit; anything else is no attribute.
  local function attributeRecord(id)
    local number = tonumber(id)
    if number == nil or number ~= math.floor(number) or number < -2 ^ 31 or number >= 2 ^ 32 then
      return nil
    end
    if number < 0 then
      number = number + 2 ^ 32
    end
    local hex = string.format("%08X", number)
    local record = attributes ~= nil and attributes.getAttribute(hex) or nil
    if record == nil then
      record = { shortName = "0x" .. hex, enums = {} }
    end
    return record
  end

  local dynamic = {}
  local info = report.translator_info
  local items = type(info) == "table" and info.ordered_data or nil
  for _, item in ipairs(type(items) == "table" and items or {}) do
    local kind = type(item) == "table" and item.type or nil
    if kind == "usage" then
      local entry = { type = "usage", key = term(item.usage) }
      local valueType = item.value_type
      if type(valueType) ~= "table" then
        local isAttribute = attributeUsages[item.usage] == true
        entry.value = mapValue(item.value, function(value)
          local record = isAttribute and attributeRecord(value) or nil
          if record ~= nil then
            return record.shortName
          end
          return textOf(value)
        end)
      elseif valueType.type == "enum" then
        local record = attributeRecord(valueType.id) or { enums = {} }
        local enums = record.enums or {}
        entry.value = mapValue(item.value, function(value)
          local text = textOf(value)
          return enums[text] or text
        end)
      end
      dynamic[#dynamic + 1] = entry
    elseif kind == "elaboration" or kind == "header" then
      dynamic[#dynamic + 1] = { type = kind, value = term(item.usage) }
    elseif kind == "empty" then
      dynamic[#dynamic + 1] = { type = "empty" }
    end
  end

  local debugList = {}
  local function addDebug(key, value)
    debugList[#debugList + 1] = { type = "usage", key = key, value = value }
  end
  if report.component ~= nil then
    addDebug("Component", report.component)
  end
  if report.file ~= nil then
    addDebug("File", report.file)
  end
  if report.line ~= nil then
    addDebug("Line", textOf(report.line))
  end
  if internalError ~= "" then
    addDebug("internal_error_string", internalError)
  end
  report.translator_info, report.component, report.file, report.line = nil, nil, nil, nil
  addDebug("rest_of_input_json", cjson.encode(report))

  return cjson.encode({ dynamic = dynamic, debug = debugList })
end

return mxlator
