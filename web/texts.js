// The page's own words, one table per language: Russian when the browser's first
// preferred language is Russian, English otherwise. What the program prints, and its
// caption, are the program's and stay as they are in every language.
// index.html holds the English as the page's default; each element it marks with
// data-text (its text) or data-label (its accessible name) gets the chosen table's words
// here. The browser may draw the page while this file is still on its way, so the footer
// stays hidden until it has its words (page.css): it then appears once, in its language,
// and nothing on the page moves as longer words arrive. page.js takes its status lines
// from window.vyrtelTexts.
'use strict';

(() => {
  const TABLES = {
    en: {
      title: 'Vyrtel',
      description: 'The Radio-86RK test screen, exact to the pixel, with any 2048-byte font image',
      stage: 'The test screen',
      keys: 'Keys',
      up: 'Up',
      down: 'Down',
      left: 'Left',
      right: 'Right',
      space: 'Space',
      escape: 'Escape',
      loading: 'Loading…',
      restart: 'Start again',
      shippedFont: 'Start with the shipped font',
      output: 'What the program printed',
      fontLabel: 'Font image (2048 bytes, or drop one on the page):',
      keysHint: 'Arrow keys move the cursor, Space switches full screen, Escape leaves full '
        + 'screen or, in the window, quits.',
      privacy: 'Your font stays in your browser.',
      clickHint: 'Click the picture to give it the keys.',
      running: 'Running.',
      runningFromSavedCopy: 'Running from the saved copy: the server cannot be reached.',
      serveIt: 'Vyrtel runs only when a web server serves this folder, not from a file: '
        + 'serve the unpacked folder with any static file server (python3 -m http.server, '
        + 'say) and open its address.',
      endedNormally: 'Vyrtel ended normally (exit status 0).',
      stoppedWithMessage:
        (code) => `Vyrtel stopped with exit status ${code} and the message below.`,
      stoppedLockingDisplay:
        'Vyrtel stopped: a frame could not lock the display (exit status 255).',
      stopped: (code) => `Vyrtel stopped with exit status ${code}.`,
      notLoaded: (error) => `Vyrtel could not be loaded: ${error}`,
    },
    ru: {
      title: 'Vyrtel',
      description: 'Тестовый экран Радио-86РК, точный до пикселя, с любым шрифтом из файла '
        + 'на 2048 байт',
      stage: 'Тестовый экран',
      keys: 'Клавиши',
      up: 'Вверх',
      down: 'Вниз',
      left: 'Влево',
      right: 'Вправо',
      space: 'Пробел',
      escape: 'Esc',
      loading: 'Загрузка…',
      restart: 'Запустить заново',
      shippedFont: 'Запустить со стандартным шрифтом',
      output: 'Вывод программы',
      fontLabel: 'Файл шрифта (2048 байт; его можно и перетащить на страницу):',
      keysHint: 'Стрелки перемещают курсор, Пробел включает и выключает полноэкранный режим, '
        + 'Esc выходит из полноэкранного режима, а в окне закрывает программу.',
      privacy: 'Шрифт никуда не отправляется и остаётся в вашем браузере.',
      clickHint: 'Щёлкните по изображению, чтобы управлять им с клавиатуры.',
      running: 'Работает.',
      runningFromSavedCopy: 'Работает из сохранённой копии: сервер недоступен.',
      serveIt: 'Vyrtel работает только с веб-сервера, а не из файла: раздайте распакованную '
        + 'папку любым сервером статических файлов (например, python3 -m http.server) '
        + 'и откройте его адрес.',
      endedNormally: 'Программа Vyrtel завершилась штатно (код завершения 0).',
      stoppedWithMessage: (code) => `Программа Vyrtel завершилась с кодом ${code}, сообщение ниже.`,
      stoppedLockingDisplay:
        'Программа Vyrtel завершилась: кадр не удалось вывести на экран (код завершения 255).',
      stopped: (code) => `Программа Vyrtel завершилась с кодом ${code}.`,
      notLoaded: (error) => `Не удалось загрузить Vyrtel: ${error}`,
    },
  };

  const preferred = (navigator.languages && navigator.languages[0]) || navigator.language || '';
  const language = preferred.toLowerCase().split('-')[0] === 'ru' ? 'ru' : 'en';
  const texts = TABLES[language];

  document.documentElement.lang = language;
  document.title = texts.title;
  document.querySelector('meta[name="description"]').content = texts.description;
  for (const element of document.querySelectorAll('[data-text]')) {
    element.textContent = texts[element.dataset.text];
  }
  for (const element of document.querySelectorAll('[data-label]')) {
    element.setAttribute('aria-label', texts[element.dataset.label]);
  }

  window.vyrtelTexts = texts;
  document.documentElement.classList.add('worded');
})();
