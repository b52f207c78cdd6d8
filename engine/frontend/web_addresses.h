#pragma once
// The two web pages the game links to: the menu's logos and the play field's banners open them,
// and the artwork generator letters them into the same pictures.

namespace nad {

// The portal's home page is a bare host address; the studio's page a full address.
inline constexpr char kPortalAddress[] = "www.vorlanix.cz";
inline constexpr char kStudioAddress[] = "https://www.brimel-studio.cz/";

} // namespace nad
