" Nokari scripts.
autocmd BufNewFile,BufRead *.nkr setfiletype nokari
