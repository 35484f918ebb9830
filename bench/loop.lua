-- 3,000,000 iterations, an addition and a remainder each
local total = 0
for i = 1, 3000000 do
  total = (total + i) % 1000003
end
print(total)
