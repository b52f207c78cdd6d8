#pragma once
// Owning handles for SDL objects: each is freed by its own SDL function when its handle goes, on
// every way out of a scope, so no return path frees by hand.
#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <memory>

namespace nad {

template <auto Free> struct SdlFree {
  template <class T> void operator()(T *p) const { Free(p); }
};

using WindowHandle = std::unique_ptr<SDL_Window, SdlFree<SDL_DestroyWindow>>;
using SurfaceHandle = std::unique_ptr<SDL_Surface, SdlFree<SDL_FreeSurface>>;
using FontHandle = std::unique_ptr<TTF_Font, SdlFree<TTF_CloseFont>>;
using MusicHandle = std::unique_ptr<Mix_Music, SdlFree<Mix_FreeMusic>>;
using ControllerHandle = std::unique_ptr<SDL_GameController, SdlFree<SDL_GameControllerClose>>;

} // namespace nad
