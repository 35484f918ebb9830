// Menu items: メニュー作成, メニュー追加 and メニューパス作成 make them, in
// the menu bar or under another item; their properties (caption, check
// mark, shortcut, picture) are the メニュー kind's rows.
#pragma once
#include <string>

#include "words/Contract.h"

namespace nokari::parts {

// Makes the item `name` under the item `parentName`, or in the menu bar
// when the parent is empty. The caption is the name without a trailing
// メニュー, and without the parent's base followed by "_" in front; a
// caption "-" makes a separator, named "split" + id + "メニュー". そ then
// names the item. Checked before anything is made, so a failure leaves no
// trace: a reserved name, a name that is a word other than a variable (a
// variable of that name is replaced), a parent that is no existing menu
// item.
void MakeMenuItem(TNokaBase& e, const std::string& parentName, const std::string& name);

// メニューパス作成: one path a line, its parts split at "\"; each part is
// the item prefix + part + メニュー (the prefix growing by part + "_"),
// made under the item of the part before it unless it exists already.
void MakeMenuPaths(TNokaBase& e, const std::string& paths);

void CmdMenuCreate(TNokaBase& e);
void CmdMenuAdd(TNokaBase& e);
void CmdMenuPathCreate(TNokaBase& e);

}  // namespace nokari::parts
