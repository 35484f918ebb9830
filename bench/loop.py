total = 0
for i in range(1, 3000001):
    total = (total + i) % 1000003
print(total)
