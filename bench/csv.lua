-- The table in CP932 bytes, as in Nokari; cells split at "," (the data has
-- no quoted cells). Searches inside a cell keep to character boundaries.
local here = arg[0]:match("^(.*)/") or "."
local f = assert(io.open(here .. "/data/table.csv", "rb"))
local body = f:read("a")
f:close()
local SATO, KO, TAKAHASHI = "\x8D\xB2\x93\xA1", "\x8E\x71", "\x8D\x82\x8B\xB4\x90\xBD"

local function is_lead(b) return (b >= 0x81 and b <= 0x9F) or (b >= 0xE0 and b <= 0xFC) end
-- whether byte position pos starts a character of s
local function at_boundary(s, pos)
  local i = 1
  while i < pos do i = i + (is_lead(s:byte(i)) and 2 or 1) end
  return i == pos
end
local function contains(s, pat)
  local at = 1
  while true do
    local p = string.find(s, pat, at, true)
    if not p then return false end
    if at_boundary(s, p) then return true end
    at = p + 1
  end
end

local data, first = {}, true
for line in body:gmatch("([^\n]*)\n") do
  if first then first = false else
    local id, name, score = line:match("^([^,]*),([^,]*),([^,]*)$")
    data[#data + 1] = {id, name, score, n = #data + 1, num = tonumber(score)}
  end
end
print(#data)
-- ascending and stable (ties in id order): table.sort is not stable, so the
-- row number breaks ties
local ordered = table.move(data, 1, #data, 1, {})
table.sort(ordered, function(a, b)
  if a.num ~= b.num then return a.num < b.num end
  return a.n < b.n
end)
for _, r in ipairs({ordered[1], ordered[#ordered], ordered[#ordered - 1], ordered[#ordered - 2]}) do
  print(r[1] .. "," .. r[2] .. "," .. r[3])
end
local n = 0
for _, r in ipairs(data) do
  if r.num >= 900 and r[2]:sub(1, #SATO) == SATO then n = n + 1 end
end
print(n)
n = 0
for _, r in ipairs(data) do if contains(r[2], KO) then n = n + 1 end end
print(n)
local found = -1
for i, r in ipairs(data) do if r[2] == TAKAHASHI then found = i break end end
print(found)
local sum = 0
for _, r in ipairs(data) do sum = sum + math.tointeger(r.num) end
print(sum)
