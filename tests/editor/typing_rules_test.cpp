#include "editor/typing_rules.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tessel {
namespace {

constexpr auto T = ColourClass::Text, G = ColourClass::Tag, Q = ColourClass::Quoted,
               C = ColourClass::Comment;

TEST(TypingRulesTest, ATypedCharacterTakesTheClassOfTheFirstRuleThatApplies) {
  const struct {
    char Typed;
    CursorContext Context;
    ColourClass Expected;
  } cases[] = {
      {'<', {'a', 'b', C, C}, C},  // 1: inside a comment
      {'>', {'a', 'b', C, T}, G},  // 2
      {'-', {'a', 'b', T, T}, G},
      {'<', {'a', 'b', Q, Q}, G},
      {'"', {'a', 'b', T, T}, Q},  // 3
      {'x', {'a', '>', C, C}, C},  // 1 before 4
      {'x', {'>', '>', Q, Q}, G},  // 4 before 6
      {'x', {'<', 'b', T, T}, G},  // 5
      {'x', {'>', 'b', G, G}, T},  // 6
      {'x', {'a', 'b', Q, Q}, Q},  // 7
      {'x', {0, 0, G, G}, G},
      {'x', {'a', 'b', Q, G}, G},  // 8
      {'x', {'a', 'b', G, T}, T},  // 9
      {'x', {'a', 'b', T, G}, T},  // 10
      {'x', {'a', 'b', C, T}, C},
      {'x', {'a', 'b', G, Q}, G},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TypedCharClass(c.Typed, c.Context), c.Expected)
        << c.Typed << " between " << c.Context.CharBefore << " and " << c.Context.CharAfter;
  }
}

TEST(TypingRulesTest, OnlyChangesOfTheTagStructureRecolour) {
  using E = EditKind;
  const struct {
    EditKind Edit;
    char Before, After;
    bool Recolours;
  } cases[] = {
      {E::TagCharacter, 'a', 'b', true},
      {E::Backspace, '>', 'a', true},  {E::Backspace, 'a', '>', false},  // the byte before goes
      {E::Delete, 'a', '"', true},     {E::Delete, '"', 'a', false},     // the byte after goes
      {E::None, '<', '>', false},      {E::OtherControl, '<', '>', false},
      {E::Paste, '<', '>', false},     {E::Cut, '<', '>', false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecolourAfterChange(c.Edit, {c.Before, c.After, T, T}), c.Recolours)
        << int(c.Edit) << " between " << c.Before << " and " << c.After;
  }
  for (const char c : std::string("!\"-<>")) EXPECT_TRUE(ChangesTagStructure(c));
  for (const char c : std::string("a.= '/")) EXPECT_FALSE(ChangesTagStructure(c));
}

TEST(TypingRulesTest, ContextReadsTheNeighboursAndTheirClasses) {
  const std::string text = "a<b";
  const std::vector<ColourClass> classes{T, G, G};
  const struct {
    std::size_t Position;
    CursorContext Expected;
  } cases[] = {{0, {0, 'a', T, T}},
               {1, {'a', '<', T, G}},
               {2, {'<', 'b', G, G}},
               {3, {'b', 0, G, G}},
               {9, {'b', 0, G, G}}};
  const auto fields = [](const CursorContext& c) {
    return std::tuple(c.CharBefore, c.CharAfter, c.ColourBefore, c.ColourAfter);
  };
  for (const auto& c : cases)
    EXPECT_EQ(fields(ContextAt(text, classes, c.Position)), fields(c.Expected)) << c.Position;
  EXPECT_EQ(fields(ContextAt("", {}, 0)), fields(CursorContext{}));
}

}  // namespace
}  // namespace tessel
