#pragma once
// The menu's click areas, the information panel and the four web links.
#include "core/form.h"
#include "frontend/web_addresses.h"

namespace nad {

void Image4_Click(Form &f); // show the information panel
void Image3_Click(Form &f); // hide it
void Image2_Click(Form &f); // quit
void Image7_Click(Form &f); // the portal's logo
void Image8_Click(Form &f); // the studio's address and logo
void l1_Click(Form &f);     // the studio's banner
void l2_Click(Form &f);     // the portal's banner

} // namespace nad
