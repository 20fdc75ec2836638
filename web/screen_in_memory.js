// The program's screen kept in its own memory, as on the desktop. The browser's SDL fills a
// screen rectangle on the canvas and, at every frame's lock, reads the whole canvas back
// into the program's memory (getImageData, converting each of the 307,200 pixels): most
// of what the page cost a browser while idle. Here a fill of the screen goes straight into
// the program's copy of it, which SDL then never reads back (screen_settings.js), and the
// canvas receives each finished frame at the unlock, as before. Other surfaces are filled
// as SDL fills them. Linked into the program by Emscripten (--js-library), in place of
// SDL's own SDL_FillRect.
(function () {
  var fillOnCanvas = LibraryManager.library.SDL_FillRect;
  mergeInto(LibraryManager.library, {
    $vyrtelFillOnCanvas: fillOnCanvas,
    SDL_FillRect__deps: ['$vyrtelFillOnCanvas', 'malloc'],
    SDL_FillRect: function (surf, rect, color) {
      if (surf !== SDL.screen) return vyrtelFillOnCanvas(surf, rect, color);
      var screen = SDL.surfaces[surf];
      if (!screen.buffer) {
        // As the first lock would make them: the pixels, and the image the unlock copies
        // them into, whose presence tells the lock there is nothing to read back.
        screen.buffer = _malloc(screen.width * screen.height * 4);
        {{{ makeSetValue('surf', C_STRUCTS.SDL_Surface.pixels, 'screen.buffer', 'void*') }}};
        screen.image = screen.ctx.createImageData(screen.width, screen.height);
      }
      var area = rect ? SDL.loadRect(rect) : { x: 0, y: 0, w: screen.width, h: screen.height };
      var left = Math.max(area.x, 0);
      var right = Math.min(area.x + area.w, screen.width);
      var top = Math.max(area.y, 0);
      var bottom = Math.min(area.y + area.h, screen.height);
      var firstPixel = screen.buffer >> 2;
      for (var y = top; y < bottom && left < right; y++) {
        var row = firstPixel + y * screen.width;
        HEAP32.fill(color, row + left, row + right);
      }
      return 0;
    },
  });
})();
