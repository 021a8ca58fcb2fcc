// The About box and help hook-up live in this folder.
namespace about {}
