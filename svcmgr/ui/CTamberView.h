// CTamberView: the list of services. It owns the list control and, through the service
// commands, the service manager handle; it carries out the view's menu, accelerator and
// context-menu commands, sorts by the clicked column, finds text and copies cells.
#pragma once

#include <memory>
#include <string>

#include "core/ServiceCommands.h"
#include "core/ViewHooks.h"
#include "framework/CImageList.h"
#include "framework/CListView.h"

class CCmdUI;
class CTamberDoc;

class CTamberView : public CListView, public ViewHooks {
 public:
  CTamberView();
  ~CTamberView() override;

  CTamberDoc* GetDocument() const;
  void OnInitialUpdate() override;

  // ViewHooks
  int FillFileInfo() override;
  void SortRows() override;

 protected:
  void PreCreateWindow(CREATESTRUCTA& cs) override;
  LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
  LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
  LRESULT OnFindMessage(WPARAM wParam, LPARAM lParam);
  void OnColumnClick(NMHDR* header, LRESULT* result);
  void OnItemChanged(NMHDR* header, LRESULT* result);

  void OnViewApplicationServices();
  void OnViewKernelDrivers();
  void OnUpdateViewApplicationServices(CCmdUI* ui);
  void OnUpdateViewKernelDrivers(CCmdUI* ui);
  void OnRefresh();
  void OnConnectLocal();
  void OnUpdateConnectLocal(CCmdUI* ui);
  void OnUpdateConnectOther(CCmdUI* ui);
  void OnStartServices();
  void OnStopServices();
  void OnDeleteServices();
  void OnStartType(UINT id);
  void OnCopy(UINT id);
  static constexpr int kClipboardAttempts = 20;
  static constexpr DWORD kClipboardRetryMs = 25;
  static bool OpenClipboardPatiently();
  void OnFind();
  void OnFindNext();
  void OnNewService();
  void OnConnectOther();
  void OnToggleFileInfo();
  void OnShowFile();
  void OnShowRegistry();
  void OnExport();

  DECLARE_MESSAGE_MAP()

 private:
  struct Platform;

  void ChangeFilter(DWORD filter);
  void Search();
  void SelectOnly(int row);
  int Message(const char* text, UINT type);
  void ChooseDependency(const std::string& name);
  // The file path of a row's binary path, for the current filter.
  std::string RowFilePath(int row) const;
  // The export text of the whole list, columns in index order.
  std::string BuildExportText() const;

  std::unique_ptr<Platform> platform_;
  // The service manager handle, the service filter, the local flag and the find position.
  std::unique_ptr<ServiceCommands> commands_;
  int sortColumn_;
  bool sortAscending_ = false;
  std::string findText_;
  DWORD findFlags_;
  CImageList images_;
};
