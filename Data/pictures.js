/*
 * The pictures in Data/Images/ that the parent's pages offer. Pages cannot
 * list a folder, so a new picture must be added here as well.
 */
window.KB_PICTURES = {
  children: [
    { file: "bear.svg", name: "Bear" },
    { file: "cat.svg", name: "Cat" },
    { file: "dog.svg", name: "Dog" },
    { file: "fox.svg", name: "Fox" },
    { file: "frog.svg", name: "Frog" },
    { file: "lion.svg", name: "Lion" },
    { file: "owl.svg", name: "Owl" },
    { file: "panda.svg", name: "Panda" },
    { file: "penguin.svg", name: "Penguin" },
    { file: "rabbit.svg", name: "Rabbit" },
  ],
  sites: [
    { file: "animals.svg", name: "Animals" },
    { file: "books.svg", name: "Books" },
    { file: "games.svg", name: "Games" },
    { file: "globe.svg", name: "World" },
    { file: "letters.svg", name: "Letters" },
    { file: "music.svg", name: "Music" },
    { file: "numbers.svg", name: "Numbers" },
    { file: "paint.svg", name: "Painting" },
    { file: "science.svg", name: "Science" },
    { file: "space.svg", name: "Space" },
    { file: "stories.svg", name: "Stories" },
    { file: "video.svg", name: "Videos" },
  ],
};
