-- The attribute table used when no driver supplies one: it knows no attribute.
vomxl_defaultAttrTable = { encoding = "utf-8" }

function vomxl_defaultAttrTable.getAttribute(attrID)
  return nil
end

return vomxl_defaultAttrTable
