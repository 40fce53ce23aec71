#pragma once
// Fixture of the data-link tests: a test dataset with an ID field and a data source, both owned by
// one component, and the ids a link's window shows.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/db/testdataset.h"

class LinkWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = std::make_unique<TComponent>(nullptr);
    ds = new TTestDataSet(owner.get());
    ds->FieldDefs().Add("ID", ftInteger);
    src = new TDataSource(owner.get());
  }
  int Id() { return ds->FieldByName("ID")->AsInteger(); }
  // The ids of the link's window, read by moving the link's active record as a grid paints.
  std::vector<int> Window(TDataLink& link) {
    std::vector<int> ids;
    int saved = link.ActiveRecord();
    for (int i = 0; i < link.RecordCount(); ++i) {
      link.SetActiveRecord(i);
      ids.push_back(Id());
    }
    link.SetActiveRecord(saved);
    return ids;
  }
  static std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i) v.push_back(i);
    return v;
  }

  std::unique_ptr<TComponent> owner;
  TTestDataSet* ds = nullptr;
  TDataSource* src = nullptr;
};
