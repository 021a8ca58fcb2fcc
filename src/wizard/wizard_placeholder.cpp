// The device search wizard live in this folder.
namespace wizard {}
