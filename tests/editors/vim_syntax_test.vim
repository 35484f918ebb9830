" Run by tests/check_vim_syntax.sh with sample.nkr loaded through the
" filetype detection of editors/vim: checks the syntax groups of a few
" places and writes what is wrong to g:result_file ("ok" when nothing).
let s:errors = []
if &filetype !=# 'nokari'
  call add(s:errors, 'filetype is "' . &filetype . '", not nokari')
endif
if !empty(v:errmsg)
  call add(s:errors, 'error while loading: ' . v:errmsg)
endif

" The syntax group at the first occurrence of a:text on line a:lnum.
function! s:GroupAt(lnum, text) abort
  let col = stridx(getline(a:lnum), a:text)
  if col < 0
    call add(s:errors, printf('line %d has no %s', a:lnum, a:text))
    return ''
  endif
  return synIDattr(synID(a:lnum, col + 1, 1), 'name')
endfunction

function! s:Expect(lnum, text, group) abort
  let got = s:GroupAt(a:lnum, a:text)
  if got !=# a:group
    call add(s:errors, printf('line %d, %s: expected %s, got %s', a:lnum, a:text, a:group, got))
  endif
endfunction

" A word coloured over its whole length (not cut short by a shorter word).
function! s:ExpectWhole(lnum, text, group) abort
  let col = stridx(getline(a:lnum), a:text)
  let last = col + strlen(a:text)
  let id = synID(a:lnum, col + 1, 1)
  if synIDattr(id, 'name') !=# a:group || synID(a:lnum, last, 1) != id
    call add(s:errors, printf('line %d, %s: not one %s', a:lnum, a:text, a:group))
  endif
endfunction

syntax sync fromstart
call s:Expect(1, '//', 'nokariComment')
call s:Expect(2, '＊開始', 'nokariLabel')
call s:Expect(3, 'こんにちは', 'nokariString')
call s:Expect(3, '{', 'nokariEmbedDelim')
call s:Expect(3, '\n', 'nokariEscape')
call s:Expect(3, 'と、表示', 'nokariParticle')
call s:Expect(3, '表示', 'nokariCommand')
call s:Expect(4, 'は、', 'nokariParticle')
call s:Expect(4, '生の', 'nokariRawString')
call s:Expect(4, '\n', 'nokariRawString')
call s:Expect(5, '1', 'nokariNumber')
call s:Expect(5, 'から', 'nokariParticle')
call s:Expect(5, '繰り返す', 'nokariControl')
call s:Expect(6, 'もし', 'nokariControl')
call s:Expect(6, '55', 'nokariNumber')
call s:ExpectWhole(6, 'ならば', 'nokariControl')
call s:Expect(7, '3', 'nokariNumber')
call s:Expect(7, '回', 'nokariControl')
call s:Expect(8, '括弧', 'nokariComment')
call s:Expect(8, '「', 'nokariComment')
call s:Expect(9, '古い', 'nokariComment')
call s:Expect(10, '$FF', 'nokariNumber')
call s:ExpectWhole(11, '表示出力先', 'nokariVariable')
call s:Expect(12, 'LEN', 'nokariCommand')
call s:Expect(12, 'OS', '')
call s:Expect(13, '*終わり', 'nokariLabel')
call s:Expect(14, 'おわる', 'nokariControl')

call writefile(empty(s:errors) ? ['ok'] : s:errors, g:result_file)
qall!
