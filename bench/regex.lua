-- The text stays in CP932 bytes, as in Nokari. Lua's patterns are not
-- regular expressions, but this one is expressible: ([0-9]+)丁目([0-9]+)番地.
-- ASCII digits never occur as the second byte of a double-byte character.
local here = arg[0]:match("^(.*)/") or "."
local f = assert(io.open(here .. "/data/regex.txt", "rb"))
local text = f:read("a")
f:close()
local result = text:gsub("(%d+)\x92\x9A\x96\xDA(%d+)\x94\xD4\x92\x6E", "%1-%2")
-- characters: every lead byte (and the byte after it) is one
local _, doubles = result:gsub("[\x81-\x9F\xE0-\xFC].", "")
print(#result - doubles)
print(#result)
