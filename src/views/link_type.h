// The type text of a symbolic link's row: "link to TARGET", with the target
// as the link holds it, read through the device the first time the row needs
// it. Links are never followed: nothing here looks at what they point to.
#pragma once

#include "model/item_node.h"

// The type text of link item, kept until ForgetLinkTypeTexts; "link" alone
// when its target cannot be read. None when item is no link.
const char16_t* LinkTypeText(const ItemNode* item);

// Lets go of every text handed out; the rows that borrowed them are gone.
void ForgetLinkTypeTexts();
