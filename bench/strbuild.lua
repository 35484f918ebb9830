-- Lua strings are immutable, so lines are appended to a buffer (a table)
-- and joined once: the language's own way to append, linear like the others.
local parts = {}
for i = 1, 200000 do
  parts[#parts + 1] = i .. "行目のテキストです。東京都\n"
end
local text = table.concat(parts)
-- UTF-8 text: a byte search cannot match inside another character
local n, at = 0, 1
while true do
  local s, e = string.find(text, "東京", at, true)
  if not s then break end
  n, at = n + 1, e + 1
end
print(n)
